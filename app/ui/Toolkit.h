#pragma once

#include <QColor>
#include <QString>
#include <memory>
#include <optional>

class QWidget;
class QDialog;

// The window-toolkit operations the program relies on, behind one interface so that tests can
// answer dialogs and record messages without a person. DesktopToolkit is the real one.
class Toolkit
{
public:
    enum Buttons
    {
        OkOnly = 0,
        OkCancel = 1,
        YesNoCancel = 3,
        YesNo = 4
    };
    enum Answer
    {
        Ok = 1,
        Cancel = 2,
        Yes = 6,
        No = 7
    };

    // A long job run on the calling thread reports to this; the person sees a modal window with a
    // Cancel button once the job has taken a moment. The window closes when the object goes.
    class JobProgress
    {
    public:
        virtual ~JobProgress() = default;
        // `done` is the share done (0..1); false once the person has asked to cancel.
        virtual bool Update(double done) = 0;
    };

    virtual ~Toolkit() = default;

    // Modal message box; an empty title means the application title. Returns Ok or Cancel (Yes or
    // No for YesNo, Yes, No or Cancel for YesNoCancel; closing such a box answers No or Cancel).
    virtual int MsgBox(const QString& text, Buttons buttons = OkOnly,
                       const QString& title = {}) = 0;
    // Modal open-file dialog; nullopt when the user cancels.
    virtual std::optional<QString> GetOpenFileName(const QString& filter, const QString& defaultExt,
                                                   const QString& currentName) = 0;
    // Runs every waiting window event, timer tick and serial event, then returns.
    virtual void DoEvents();
    // Like DoEvents, but sleeps until at least one event arrives (bounded by maxWaitMs), so that a
    // waiting loop never spins a core.
    virtual void WaitEvents(int maxWaitMs);
    // Modal save-file dialog, starting at suggestedName; nullopt when the user cancels.
    virtual std::optional<QString> GetSaveFileName(const QString& filter, const QString& defaultExt,
                                                   const QString& suggestedName) = 0;
    // Shows a dialog modally and returns when it has closed.
    virtual void ShowModal(QDialog& dialog) = 0;
    // Starts the progress window of a long job, labelled with what it does.
    virtual std::unique_ptr<JobProgress> BeginProgress(const QString& label) = 0;
    virtual void Beep() = 0;
    // Asks the desktop to open a URL (the mail link); the result is not examined.
    virtual void OpenUrl(const QString& url) = 0;

    // Twips (1/1440 inch) to pixels at the screen's logical DPI.
    static int TwipsToPixelsX(int twips);
    static int TwipsToPixelsY(int twips);
    static int PixelsToTwipsX(int pixels);
    static int PixelsToTwipsY(int pixels);
    // Colours are written as 0x00BBGGRR values.
    static QColor FromBgr(quint32 bgr);
    // "Wav Files (*.wav)|*.wav|All Files (*.*)|*.*" to the "Name (*.x);;..." form.
    static QString FilterToQt(const QString& filter);
    // Places a widget at a twips rectangle (left, top, width, height) inside its parent.
    static void PlaceTwips(QWidget& widget, int left, int top, int width, int height);
};
