#include "serial/gui/PortMenu.h"

#include "app/core/NumberText.h"
#include "app/ui/MainControls.h"

#include <QAction>

PortMenu::PortMenu(MainControls& controls) : m_c(controls) {}

void PortMenu::list(int slot, int port, const QString& tooltip)
{
    QAction* item = m_c.mnuCOMsel[slot];
    item->setVisible(true);
    item->setText(QStringLiteral("COM") + NumberText::Plain(port));
    item->setData(NumberText::Str(port));
    item->setToolTip(tooltip);
}

void PortMenu::blank(int slot)
{
    QAction* item = m_c.mnuCOMsel[slot];
    item->setData(QStringLiteral("0"));
    item->setVisible(false);
    item->setText(QString());
    item->setToolTip(QString());
}

void PortMenu::hideFrom(int slot)
{
    for (int i = slot; i <= Items; ++i)
        m_c.mnuCOMsel[i]->setVisible(false);
}

void PortMenu::uncheckAll()
{
    for (int i = 1; i <= Items; ++i)
        m_c.mnuCOMsel[i]->setChecked(false);
}

void PortMenu::check(int slot)
{
    m_c.mnuCOMsel[slot]->setChecked(true);
}

void PortMenu::checkPort(int port)
{
    bool found = false;
    for (int i = 1; i <= Items; ++i) {
        QAction* item = m_c.mnuCOMsel[i];
        const bool names = !found && item->isVisible() && NumberText::Val(tag(i)) == port;
        item->setChecked(names);
        found = found || names;
    }
}

QString PortMenu::tag(int slot) const
{
    return m_c.mnuCOMsel[slot]->data().toString();
}
