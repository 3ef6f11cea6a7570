#pragma once

#include "app/ui/MainControls.h"

class QMainWindow;
class QWidget;

// Builds the main window's controls, menus and timers with their design captions, twips
// positions, colours and timer settings. It only creates; the start-up sequence sets states.
class MainWindowDesign
{
public:
    static constexpr int ClientWidthTwips = 6135;
    static constexpr int ClientHeightTwips = 5385;

    static MainControls Build(QMainWindow& window);

private:
    static void BuildButtons(QWidget& client, MainControls& c);
    static void BuildSliders(QWidget& client, MainControls& c);
    static void BuildLabels(QWidget& client, MainControls& c);
    static void BuildTextBoxes(QWidget& client, MainControls& c);
    static void BuildDestinationControls(QWidget& client, MainControls& c);
    static void BuildMenus(QMainWindow& window, MainControls& c);
    static void BuildTimers(QMainWindow& window, MainControls& c);
};
