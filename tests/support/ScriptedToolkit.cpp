#include "tests/support/ScriptedToolkit.h"

#include "app/ui/AppState.h"

int ScriptedToolkit::MsgBox(const QString& text, Buttons buttons, const QString& title)
{
    messages.append({text, buttons, title.isEmpty() ? AppState::AppTitle : title});
    return msgBoxAnswers.isEmpty() ? Ok : msgBoxAnswers.dequeue();
}

namespace {
class ScriptedProgress : public Toolkit::JobProgress
{
public:
    explicit ScriptedProgress(ScriptedToolkit& toolkit) : m_toolkit(toolkit) {}
    bool Update(double) override
    {
        return m_toolkit.progressUpdates++ != m_toolkit.cancelAfterUpdates;
    }

private:
    ScriptedToolkit& m_toolkit;
};
} // namespace

std::unique_ptr<Toolkit::JobProgress> ScriptedToolkit::BeginProgress(const QString& label)
{
    progressLabels << label;
    return std::make_unique<ScriptedProgress>(*this);
}

QStringList ScriptedToolkit::MessageTexts() const
{
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}
