#pragma once
// The program's Ui: real Qt dialogs, modal to the given parent window.

#include "platform/services/Ui.h"

#include <QPointer>
#include <QWidget>

namespace platform {

class QtUi : public Ui {
public:
    explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    QWidget* parentWindow() const { return parent_; }

    int msgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {}) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title = {},
                                    const QString& defaultText = {},
                                    std::optional<QPoint> topLeft = {}) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
    std::optional<uint32_t> chooseColor(uint32_t initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    bool choosePrinter(QPrinter& printer) override;
    std::optional<int> chooseItem(const QString& title, const QString& prompt, const QStringList& items,
                                  int current) override;
    bool openDocument(const QString& path) override;

private:
    FileDialogResult fileDialog(const FileDialogRequest& request, bool save);
    QPointer<QWidget> parent_;
};

} // namespace platform
