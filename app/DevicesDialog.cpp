#include "app/DevicesDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "handling/DeviceApproval.h"
#include "platform/VisibleText.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;

}  // namespace

DevicesDialog::DevicesDialog(DeviceApproval& approval, QWidget* parent)
    : QDialog(parent), mApproval(approval) {
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("承認済みの端末"));
    auto* root = new QVBoxLayout(this);
    deviceList = new QTreeWidget(this);
    deviceList->setColumnCount(3);
    deviceList->setHeaderLabels({tr("端末キー"), tr("最終アドレス"), tr("承認日時")});
    deviceList->setRootIsDecorated(false);
    deviceList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    root->addWidget(deviceList, 1);
    auto* buttons = new QHBoxLayout();
    codeButton = new QPushButton(tr("承認コードを表示"), this);
    removeButton = new QPushButton(tr("削除"), this);
    closeButton = new QPushButton(tr("閉じる"), this);
    buttons->addWidget(codeButton);
    buttons->addWidget(removeButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    root->addLayout(buttons);
    resize(560, 300);

    connect(removeButton, &QPushButton::clicked, this, &DevicesDialog::removeSelected);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    fill();
}

void DevicesDialog::fill() {
    deviceList->clear();
    for (const ApprovedDevice& device : mApproval.devices()) {
        auto* item = new QTreeWidgetItem(deviceList);
        // As the approval question showed them: the file may hold any key a phone sent.
        auto shown = [](const std::string& text) {
            return QString::fromStdString(visibleText(text, LineBreaks::Escape));
        };
        item->setText(0, shown(device.clientKey));
        item->setText(1, shown(device.lastAddress));
        item->setText(2, shown(device.approvedAt));
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(device.clientKey));
    }
    removeButton->setEnabled(deviceList->topLevelItemCount() > 0);
}

void DevicesDialog::removeSelected() {
    QTreeWidgetItem* item = deviceList->currentItem();
    if (item == nullptr) {
        return;
    }
    mApproval.remove(item->data(0, Qt::UserRole).toByteArray().toStdString());
    fill();
}

}  // namespace korvane
