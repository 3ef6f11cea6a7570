#pragma once

#include <QList>
#include <QString>

// What one pass over received bytes asks the main window to do, in order.
struct ReplyEffects
{
    struct Effect
    {
        enum Kind
        {
            AppendReply,
            SetStatus
        };
        Kind kind;
        QString text; // AppendReply: " " + line; SetStatus: text from "QXERA" to the line's end
    };

    QList<Effect> effects;
    bool eraseEnded = false; // an erase word arrived while an erase waited
};
