#include "optiondialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vareror::lib {

bool showOptionDialog(QWidget *parent, const QString &title, const QStringList &rows)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    QDialog dialog(parent);
    dialog.setObjectName("varerorOptionDialog");
    dialog.setWindowTitle(title.isEmpty() ? QString("Vareror Engine") : title);
    auto *layout = new QVBoxLayout(&dialog);
    auto *form = new QFormLayout;
    for (int i = 0; i + 1 < rows.size(); i += 2) {
        auto *value = new QLabel(rows[i + 1]);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        form->addRow(rows[i] + ":", value);
    }
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
    return true;
}

} // namespace vareror::lib
