#pragma once

#include <QString>

struct MainControls;

// The twelve port items of the COM menu (indices 1 to 12). An item's tag (its data) holds the
// port number as " n", or "0" for an item without a port; the tag, not the caption, names the
// port.
class PortMenu
{
public:
    static constexpr int Items = 12;

    explicit PortMenu(MainControls& controls);

    // Shows port n in item slot: caption "COM<n>", tag " <n>", the device facts as tooltip.
    void list(int slot, int port, const QString& tooltip);
    // Item slot without a port: tag "0", hidden, no caption.
    void blank(int slot);
    // Hides the items from slot to 12.
    void hideFrom(int slot);
    void uncheckAll();
    void check(int slot);
    // The check mark on the first listed item that names port n, on no other item.
    void checkPort(int port);
    QString tag(int slot) const;

private:
    MainControls& m_c;
};
