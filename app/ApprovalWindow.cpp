#include "app/ApprovalWindow.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "core/ApprovalDesk.h"
#include "core/ApprovalRow.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kRefreshMs = 1000;
// Columns; the raw key and address ride on their cells as data, the row's buttons in the last.
enum Column { kKey, kAddress, kFirst, kLast, kRequests, kKeyChanges, kButtons, kColumns };

QString cell(const std::string& text) {
    return QString::fromStdString(text);
}

std::string raw(const QTreeWidgetItem* row, int column) {
    return row->data(column, Qt::UserRole).toByteArray().toStdString();
}

}  // namespace

ApprovalWindow::ApprovalWindow(ApprovalDesk& desk, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      mDesk(desk),
      mRefreshTimer(new QTimer(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("端末の承認"));

    auto* root = new QVBoxLayout(this);
    auto* question = new QLabel(tr("未承認の端末から要求がありました。この端末にバーコードの入力と"
                                   "画面のキャプチャを許可しますか？"),
                                this);
    question->setWordWrap(true);
    root->addWidget(question);
    warningLabel = new QLabel(this);
    warningLabel->setWordWrap(true);
    warningLabel->setTextFormat(Qt::PlainText);
    warningLabel->setStyleSheet(QStringLiteral("color: #B00000"));
    warningLabel->hide();
    root->addWidget(warningLabel);

    phoneList = new QTreeWidget(this);
    phoneList->setColumnCount(kColumns);
    phoneList->setHeaderLabels({tr("端末キー"), tr("アドレス"), tr("最初の要求"), tr("最後の要求"),
                                tr("回数"), tr("キーの変更"), QString()});
    phoneList->setRootIsDecorated(false);
    phoneList->setFocusPolicy(Qt::NoFocus);
    phoneList->setSelectionMode(QAbstractItemView::NoSelection);
    phoneList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    root->addWidget(phoneList, 1);
    auto* bar = new QHBoxLayout();
    codeButton = new QPushButton(tr("承認コードを表示"), this);
    codeButton->setFocusPolicy(Qt::NoFocus);
    codeButton->setAutoDefault(false);
    bar->addWidget(codeButton);
    bar->addStretch(1);
    root->addLayout(bar);
    resize(760, 280);

    mRefreshTimer->setInterval(kRefreshMs);
    connect(mRefreshTimer, &QTimer::timeout, this, &ApprovalWindow::refresh);
}

void ApprovalWindow::showPhones() {
    refresh();
    if (phoneList->topLevelItemCount() > 0 && !isVisible()) {
        show();
    }
}

void ApprovalWindow::refresh() {
    const WaitingPhones waiting = mDesk.waitingPhones();
    // Rows are kept by address and changed in place, so that a button under the pointer stays.
    for (int i = phoneList->topLevelItemCount() - 1; i >= 0; --i) {
        const std::string address = raw(phoneList->topLevelItem(i), kAddress);
        if (std::none_of(waiting.phones.begin(), waiting.phones.end(),
                         [&](const UnknownPhone& p) { return p.address == address; })) {
            delete phoneList->takeTopLevelItem(i);
        }
    }
    for (const UnknownPhone& phone : waiting.phones) {
        QTreeWidgetItem* row = rowOf(phone.address);
        if (row == nullptr) {
            row = new QTreeWidgetItem(phoneList);
            row->setData(kAddress, Qt::UserRole, QByteArray::fromStdString(phone.address));
            addButtons(row, phone.address);
        }
        const ApprovalRow texts = approvalRow(phone);
        row->setText(kKey, cell(texts.key));
        row->setData(kKey, Qt::UserRole, QByteArray::fromStdString(phone.clientKey));
        row->setText(kAddress, cell(texts.address));
        row->setText(kFirst, cell(texts.firstRequest));
        row->setText(kLast, cell(texts.lastRequest));
        row->setText(kRequests, cell(texts.requests));
        row->setText(kKeyChanges, cell(texts.keyChanges));
    }
    QStringList warnings;
    if (waiting.manyAtOnce) {
        warnings << tr(
            "短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は"
            "許可しないでください。");
    }
    if (waiting.turnedAway > 0) {
        warnings << tr("一覧がいっぱいのため載せられなかった要求: %1 件").arg(waiting.turnedAway);
    }
    warningLabel->setText(warnings.join(QLatin1Char('\n')));
    warningLabel->setVisible(!warnings.isEmpty());
    if (waiting.phones.empty()) {
        hide();
        mRefreshTimer->stop();
    } else if (!mRefreshTimer->isActive()) {
        mRefreshTimer->start();
    }
}

QTreeWidgetItem* ApprovalWindow::rowOf(const std::string& address) const {
    for (int i = 0; i < phoneList->topLevelItemCount(); ++i) {
        if (raw(phoneList->topLevelItem(i), kAddress) == address) {
            return phoneList->topLevelItem(i);
        }
    }
    return nullptr;
}

void ApprovalWindow::addButtons(QTreeWidgetItem* row, const std::string& address) {
    auto* box = new QWidget(phoneList);
    auto* buttons = new QHBoxLayout(box);
    buttons->setContentsMargins(0, 0, 0, 0);
    const std::pair<QString, ApprovalAnswer> answers[] = {
        {tr("許可"), ApprovalAnswer::Always},
        {tr("今回のみ許可"), ApprovalAnswer::ThisRun},
        {tr("拒否"), ApprovalAnswer::RefuseAddress},
    };
    for (const auto& [caption, given] : answers) {
        auto* button = new QPushButton(caption, box);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        button->setProperty("answer", static_cast<int>(given));
        connect(button, &QPushButton::clicked, this,
                [this, address, given] { answer(address, given); });
        buttons->addWidget(button);
    }
    phoneList->setItemWidget(row, kButtons, box);
}

QPushButton* ApprovalWindow::answerButton(const std::string& address, ApprovalAnswer answer) const {
    QTreeWidgetItem* row = rowOf(address);
    if (row == nullptr) {
        return nullptr;
    }
    for (QPushButton* button : phoneList->itemWidget(row, kButtons)->findChildren<QPushButton*>()) {
        if (button->property("answer").toInt() == static_cast<int>(answer)) {
            return button;
        }
    }
    return nullptr;
}

void ApprovalWindow::answer(const std::string& address, ApprovalAnswer answer) {
    if (QTreeWidgetItem* row = rowOf(address)) {
        // The key the row shows now: the one the user saw.
        mDesk.answer(raw(row, kKey), address, answer);
    }
    // Later: the row, and the button that is being clicked with it, may go.
    QTimer::singleShot(0, this, &ApprovalWindow::refresh);
}

}  // namespace korvane
