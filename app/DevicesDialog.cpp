#include "app/DevicesDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "core/ApprovalDesk.h"
#include "platform/VisibleText.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;

// As the approval list showed it: the file and the refusals may hold any key a phone sent.
QString shown(const std::string& text) {
    return QString::fromStdString(visibleText(text, LineBreaks::Escape));
}

QTreeWidget* makeList(QWidget* parent, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(headers.size());
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

}  // namespace

DevicesDialog::DevicesDialog(ApprovalDesk& desk, QWidget* parent) : QDialog(parent), mDesk(desk) {
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("承認済みの端末"));
    auto* root = new QVBoxLayout(this);
    deviceList = makeList(this, {tr("端末キー"), tr("最終アドレス"), tr("承認日時")});
    root->addWidget(deviceList, 2);
    root->addWidget(new QLabel(tr("今回の実行中は拒否している端末キーとアドレス"), this));
    refusalList = makeList(this, {tr("種類"), tr("端末キー / アドレス")});
    root->addWidget(refusalList, 1);
    root->addWidget(new QLabel(tr("承認・拒否・制限の記録（新しい順）"), this));
    securityList = new QListWidget(this);
    root->addWidget(securityList, 1);
    auto* buttons = new QHBoxLayout();
    codeButton = new QPushButton(tr("承認コードを表示"), this);
    removeButton = new QPushButton(tr("削除"), this);
    unrefuseButton = new QPushButton(tr("拒否を解除"), this);
    closeButton = new QPushButton(tr("閉じる"), this);
    buttons->addWidget(codeButton);
    buttons->addWidget(removeButton);
    buttons->addWidget(unrefuseButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    root->addLayout(buttons);
    resize(640, 520);

    connect(removeButton, &QPushButton::clicked, this, &DevicesDialog::removeSelected);
    connect(unrefuseButton, &QPushButton::clicked, this, &DevicesDialog::unrefuseSelected);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    fill();
}

void DevicesDialog::fill() {
    deviceList->clear();
    for (const ApprovedDevice& device : mDesk.devices()) {
        auto* item = new QTreeWidgetItem(deviceList);
        item->setText(0, shown(device.clientKey));
        item->setText(1, shown(device.lastAddress));
        item->setText(2, shown(device.approvedAt));
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(device.clientKey));
    }
    removeButton->setEnabled(deviceList->topLevelItemCount() > 0);
    refusalList->clear();
    for (const Refusal& refusal : mDesk.refusals()) {
        auto* item = new QTreeWidgetItem(refusalList);
        const bool key = refusal.kind == Refusal::Kind::Key;
        item->setText(0, key ? tr("端末キー") : tr("アドレス"));
        item->setText(1, shown(refusal.name));
        item->setData(0, Qt::UserRole, key);
        item->setData(1, Qt::UserRole, QByteArray::fromStdString(refusal.name));
    }
    unrefuseButton->setEnabled(refusalList->topLevelItemCount() > 0);
    securityList->clear();
    for (const std::string& line : mDesk.securityLines()) {
        securityList->addItem(QString::fromStdString(visibleText(line, LineBreaks::Mark)));
    }
}

void DevicesDialog::removeSelected() {
    QTreeWidgetItem* item = deviceList->currentItem();
    if (item == nullptr) {
        return;
    }
    mDesk.remove(item->data(0, Qt::UserRole).toByteArray().toStdString());
    fill();
}

void DevicesDialog::unrefuseSelected() {
    QTreeWidgetItem* item = refusalList->currentItem();
    if (item == nullptr) {
        return;
    }
    mDesk.unrefuse(
        {item->data(0, Qt::UserRole).toBool() ? Refusal::Kind::Key : Refusal::Kind::Address,
         item->data(1, Qt::UserRole).toByteArray().toStdString()});
    fill();
}

}  // namespace korvane
