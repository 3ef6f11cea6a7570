#pragma once

#include <QMainWindow>

class LineLog;
class QPlainTextEdit;
class QTimer;
class Toolkit;

// COM > Line Log: every byte sent and received and the port's events, as the line log renders
// them. The view follows the log a few times a second while it is shown (appending only what is
// new, at most MaxLines lines kept on screen); File > Save As writes the whole log as text.
class LineLogWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 250;
    static constexpr int MaxLines = 40000;

    LineLogWindow(const LineLog& log, Toolkit& toolkit, QWidget* owner);

    // Appends the runs logged since the last call.
    void Refresh();
    // Asks for a file name and writes the log's text there (UTF-8); false when nothing was saved.
    bool SaveAs();
    QPlainTextEdit* View() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const LineLog& m_log;
    Toolkit& m_toolkit;
    QPlainTextEdit* m_view;
    QTimer* m_refresh;
    qint64 m_shownUpTo = 0; // sequence number of the next run to show
};
