#pragma once

#include "wave/ChannelIdProject.h"

#include <QWidget>

#include <memory>
#include <vector>

class ComposeOptions;
class ComposeRow;
class LoadedWave;
class QLabel;
class QPushButton;
class Toolkit;

// The window "Compose Channel ID": one row per channel, the options they share, and the commands
// that compose the Channel ID, save it as a WAV file, open and save the composition as a project,
// and hand the saved wave on. Every dialog and message goes through the toolkit. Closing only
// hides the window; its rows stay for the next showing.
class Form_Compose : public QWidget
{
    Q_OBJECT
public:
    Form_Compose(Toolkit& toolkit, QWidget* owner);
    ~Form_Compose() override;

Q_SIGNALS:
    // "Use as Channel ID": the composition, saved as wavPath (131072 samples, 16-bit, 8000 per
    // second, mono), is to become the Channel ID. The window has hidden itself.
    void useAsChannelId(const QString& wavPath);

private:
    QWidget* buildRows();
    QLayout* buildButtons();
    ChannelIdProject project() const;
    void setProject(const ChannelIdProject& project);

    void compose();
    // Asks for a name and saves the composition; false when cancelled or failed.
    bool saveWave();
    void openProject();
    void saveProject();
    void use();
    // The rows or options changed: the composition no longer matches them.
    void invalidate();
    void updateButtons();
    int say(const QString& text);

    Toolkit& m_toolkit;
    ComposeOptions* m_options = nullptr;
    std::vector<ComposeRow*> m_rows; // [0]: channel 1
    QLabel* m_result = nullptr;
    QPushButton* m_saveWave = nullptr;
    QPushButton* m_use = nullptr;
    std::unique_ptr<LoadedWave> m_composed; // null until a Compose succeeded
    QString m_savedAs;                      // where m_composed was saved; empty when it was not
    QString m_projectPath;
};
