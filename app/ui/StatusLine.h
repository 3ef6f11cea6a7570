#pragma once

#include <QPlainTextEdit>

// The one-line status and error box txtErr. Whatever text it is given is kept whole: on screen
// its paragraphs stand on one line, joined by Separator, shrunk to fit where it can and shown
// from its start; the whole text, line breaks and all, is the box's tooltip and stays readable
// there after the box has been emptied, until the next text arrives.
class StatusLine : public QPlainTextEdit
{
    Q_OBJECT
public:
    static inline const QString Separator = QStringLiteral(" | ");

    explicit StatusLine(QWidget* parent = nullptr);

    // The last non-empty text given, paragraphs separated by '\n'.
    QString WholeText() const { return m_whole; }
    // The text's paragraphs joined by Separator.
    static QString OneLine(const QString& whole);

Q_SIGNALS:
    // A new non-empty text was given (once per text, with its paragraphs).
    void textShown(const QString& whole);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Reflow();
    void FitFont();

    QString m_whole;
    double m_basePoints = 0;
    bool m_reflowing = false;
};
