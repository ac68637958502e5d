#include "app/ApprovalWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "core/ApprovalQuestion.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;

}  // namespace

ApprovalWindow::ApprovalWindow(const std::string& clientKey, const std::string& address,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("端末の承認"));

    auto* root = new QVBoxLayout(this);
    auto* question = new QLabel(tr("未承認の端末から要求がありました。この端末にバーコードの入力と"
                                   "画面のキャプチャを許可しますか？"),
                                this);
    question->setWordWrap(true);
    root->addWidget(question);
    // The key comes from the network: shown as plain text, never as markup, and on one line.
    const ApprovalQuestion lines = approvalQuestion(
        tr("端末キー: ").toStdString(), tr("アドレス: ").toStdString(), clientKey, address);
    auto* key = new QLabel(QString::fromStdString(lines.keyLine), this);
    key->setTextFormat(Qt::PlainText);
    auto* from = new QLabel(QString::fromStdString(lines.addressLine), this);
    from->setTextFormat(Qt::PlainText);
    root->addWidget(key);
    root->addWidget(from);

    auto* buttons = new QHBoxLayout();
    codeButton = new QPushButton(tr("承認コードを表示"), this);
    alwaysButton = new QPushButton(tr("許可"), this);
    thisRunButton = new QPushButton(tr("今回のみ許可"), this);
    refuseButton = new QPushButton(tr("拒否"), this);
    for (QPushButton* button : {codeButton, alwaysButton, thisRunButton, refuseButton}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    root->addLayout(buttons);

    connect(alwaysButton, &QPushButton::clicked, this, [this] { answer(ApprovalAnswer::Always); });
    connect(thisRunButton, &QPushButton::clicked, this,
            [this] { answer(ApprovalAnswer::ThisRun); });
    connect(refuseButton, &QPushButton::clicked, this, [this] { answer(ApprovalAnswer::Refuse); });
}

void ApprovalWindow::answer(ApprovalAnswer answer) {
    if (!mAnswered) {
        mAnswered = true;
        emit answered(answer);
    }
    close();
}

void ApprovalWindow::closeEvent(QCloseEvent* event) {
    answer(ApprovalAnswer::Dismissed);
    event->accept();
}

}  // namespace korvane
