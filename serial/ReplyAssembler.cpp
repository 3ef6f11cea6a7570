#include "ReplyAssembler.h"

namespace {

const QString EraseDone = QStringLiteral("QXERA");
const QString EraseRefused = QStringLiteral("QXERR");

void examineEraseWords(const QString& line, bool& eraseWaiting, ReplyEffects& out)
{
    const qsizetype done = line.indexOf(EraseDone, 0, Qt::CaseInsensitive);
    const qsizetype refused = line.indexOf(EraseRefused, 0, Qt::CaseInsensitive);
    if (done < 0 && refused < 0)
        return;
    eraseWaiting = false;
    out.eraseEnded = true;
    if (done >= 0) {
        const qsizetype end = line.size() - 1; // the CR is left out
        out.effects.append({ReplyEffects::Effect::SetStatus, line.mid(done, end - done)});
    }
}

} // namespace

ReplyEffects ReplyAssembler::consumeLines(QByteArray& rxBuffer, bool& eraseWaiting)
{
    ReplyEffects out;
    if (rxBuffer.isEmpty())
        return out;
    qsizetype p = 0;
    do {
        p = rxBuffer.indexOf('\r') + 1; // 1-based; 0 when no CR
        QString line = QString::fromLatin1(rxBuffer.left(p));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (p > 1)
            out.effects.append(
                {ReplyEffects::Effect::AppendReply, QLatin1Char(' ') + line.left(p - 1)});
        if (p > 0) {
            if (eraseWaiting)
                examineEraseWords(line, eraseWaiting, out);
            rxBuffer.remove(0, p);
        }
    } while (p > 0);
    return out;
}

QString appendToReplyBox(const QString& boxText, const QString& addition)
{
    QString text = boxText + addition;
    if (text.size() > 500)
        text = text.right(10000);
    return text;
}
