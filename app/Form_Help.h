#pragma once

#include <QWidget>

class QPlainTextEdit;

// The help window: a fixed help text in an editable box (edits are lost when it closes).
class Form_Help : public QWidget
{
    Q_OBJECT
public:
    explicit Form_Help(QWidget* owner);

    QPlainTextEdit* txt_help() const { return m_txtHelp; }
    // The help text as stored, with its CR LF line endings.
    static QByteArray HelpText();

private:
    QPlainTextEdit* m_txtHelp = nullptr;
};
