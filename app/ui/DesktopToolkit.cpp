#include "app/ui/DesktopToolkit.h"

#include "app/ui/AppState.h"
#include "app/ui/ProgressWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

int DesktopToolkit::MsgBox(const QString& text, Buttons buttons, const QString& title)
{
    const QMessageBox::StandardButtons shown =
        buttons == OkCancel      ? (QMessageBox::Ok | QMessageBox::Cancel)
        : buttons == YesNo       ? (QMessageBox::Yes | QMessageBox::No)
        : buttons == YesNoCancel ? (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                                 : QMessageBox::Ok;
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? AppState::AppTitle : title, text, shown,
                    QApplication::activeWindow());
    const int answer = box.exec();
    if (buttons == YesNo)
        return answer == QMessageBox::Yes ? Yes : No;
    if (buttons == YesNoCancel)
        return answer == QMessageBox::Yes ? Yes : answer == QMessageBox::No ? No : Cancel;
    return answer == QMessageBox::Ok ? Ok : Cancel;
}

std::optional<QString> DesktopToolkit::GetOpenFileName(const QString& filter,
                                                       const QString& defaultExt,
                                                       const QString& currentName)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(FilterToQt(filter));
    dialog.setDefaultSuffix(defaultExt); // a name typed without an extension gets this one
    if (!currentName.isEmpty())
        dialog.selectFile(currentName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> DesktopToolkit::GetSaveFileName(const QString& filter,
                                                       const QString& defaultExt,
                                                       const QString& suggestedName)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(FilterToQt(filter));
    dialog.setDefaultSuffix(defaultExt);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void DesktopToolkit::ShowModal(QDialog& dialog)
{
    dialog.exec();
}

std::unique_ptr<Toolkit::JobProgress> DesktopToolkit::BeginProgress(const QString& label)
{
    return std::make_unique<ProgressWindow>(label, QApplication::activeWindow());
}

void DesktopToolkit::Beep()
{
    QApplication::beep();
}

void DesktopToolkit::OpenUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}
