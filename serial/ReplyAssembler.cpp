#include "serial/ReplyAssembler.h"

QList<QByteArray> ReplyAssembler::consumeLines(QByteArray& rxBuffer)
{
    QList<QByteArray> lines;
    qsizetype p = 0;
    while ((p = rxBuffer.indexOf('\r')) >= 0) {
        QByteArray line = rxBuffer.left(p);
        rxBuffer.remove(0, p + 1);
        if (!line.isEmpty())
            lines.append(line.replace('\n', ' '));
    }
    return lines;
}

QString appendToReplyBox(const QString& boxText, const QString& addition)
{
    QString text = boxText + addition;
    if (text.size() > 500)
        text = text.right(10000);
    return text;
}
