#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class Toolkit;

// The splash and about window: product name, purpose, version and the sales address. It closes
// itself on the fifth tick of its one-second timer, or at once on a key, a click on a label, or the
// release of a mouse button pressed on its background; a click on the address opens a mail message.
class FrmSplash2 : public QDialog
{
    Q_OBJECT
public:
    static inline const QString SalesAddress = QStringLiteral("sales@telquin.example");

    FrmSplash2(Toolkit& toolkit, QWidget* parent = nullptr);

    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QLabel* lblemail() const { return m_lblemail; }
    QTimer* Timer1() const { return m_timer1; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* MakeLabel(const QString& text, int l, int t, int w, int h, double points);
    void Form_Load();
    void Timer1_Timer();
    void lblemail_Click();

    Toolkit& m_toolkit;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblemail = nullptr;
    QTimer* m_timer1 = nullptr;
    qint32 m_ticksLeft = 0;
    bool m_mouseHeld = false;
};
