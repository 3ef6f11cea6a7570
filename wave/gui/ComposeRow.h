#pragma once

#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdProject.h"

#include <QObject>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class Toolkit;

// One channel's line of the composer window: where its phrase comes from (silent, a sound file or
// words to speak), how a phrase too long for its slot is fitted, and what the last Compose made of
// it. Its widgets take one line of the window's grid and belong to the grid's widget.
class ComposeRow : public QObject
{
    Q_OBJECT
public:
    using Kind = ChannelIdProject::Source::Kind;
    using Fit = ChannelIdComposer::Fit;

    // Fills line `gridRow` of `grid` with the row of `channel` (1..16).
    ComposeRow(int channel, Toolkit& toolkit, QGridLayout& grid, int gridRow, QObject* parent);

    int channel() const { return m_channel; }
    Kind kind() const;
    // The row as a project row; a Say row speaks with `voice` at `wordsPerMinute`.
    ChannelIdProject::Row row(const QString& voice, int wordsPerMinute) const;
    // Shows a project's row; its fit is taken as it stands, whatever the kind's default.
    void setRow(const ChannelIdProject::Row& row);

    // The phrase's length after trimming, or in red why it does not fit its slot.
    void showReport(const ChannelIdComposer::RowReport& report);
    // In red: the source could not be read (the reason is the label's tooltip).
    void showReadError(const QString& error);
    void clearStatus();

Q_SIGNALS:
    // The technician changed the source, its text or the fit; the status was cleared.
    void edited();

private:
    void buildWidgets(QGridLayout& grid, int gridRow);
    void kindChanged();
    void chooseFile();
    void showStatus(const QString& text, const QString& tip, bool fault);
    void changed();

    int m_channel;
    Toolkit& m_toolkit;
    QComboBox* m_kind = nullptr;
    QLineEdit* m_source = nullptr;
    QPushButton* m_file = nullptr;
    QComboBox* m_fit = nullptr;
    QLabel* m_status = nullptr;
};
