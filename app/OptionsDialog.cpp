#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvane {

OptionsDialog::OptionsDialog(const OptionsForm& shown, QWidget* parent)
    : QDialog(parent), mKinds(shown) {
    setWindowTitle(tr("詳細設定"));
    // A window does not take its parent's font as a child widget does: shown in the main
    // window's, not the desktop's.
    if (parent != nullptr) {
        setFont(parent->font());
    }
    auto* root = new QVBoxLayout(this);

    auto* input = new QGroupBox(tr("バーコードの入力"), this);
    auto* inputForm = new QFormLayout(input);
    inputMethodBox = new QComboBox(input);
    inputMethodBox->addItem(tr("貼り付け (クリップボード + Ctrl+V)"));
    inputMethodBox->addItem(tr("キー入力 (1文字ずつ)"));
    inputMethodBox->addItem(tr("自動 (貼り付けを受け取らないウィンドウにはキー入力)"));
    inputMethodBox->setCurrentIndex(shown.inputMethod);
    inputForm->addRow(tr("入力方法:"), inputMethodBox);
    keyDelayBox = new QSpinBox(input);
    keyDelayBox->setRange(0, OptionsForm::kMaxKeyDelayMs);
    keyDelayBox->setSuffix(tr(" ミリ秒"));
    keyDelayBox->setValue(shown.keyDelayMs);
    inputForm->addRow(tr("キーの間隔:"), keyDelayBox);
    restoreClipboardCheck = new QCheckBox(tr("貼り付けの後、クリップボードを元に戻す"), input);
    restoreClipboardCheck->setChecked(shown.restoreClipboard);
    inputForm->addRow(restoreClipboardCheck);
    typedKindsList = new QListWidget(input);
    // Room for four kinds; more scroll.
    typedKindsList->setMaximumHeight(typedKindsList->fontMetrics().height() * 4 +
                                     typedKindsList->frameWidth() * 2 + 8);
    forgetKindButton = new QPushButton(tr("忘れる"), input);
    forgetAllKindsButton = new QPushButton(tr("すべて忘れる"), input);
    auto* kindsRow = new QHBoxLayout();
    auto* kindsButtons = new QVBoxLayout();
    kindsButtons->addWidget(forgetKindButton);
    kindsButtons->addWidget(forgetAllKindsButton);
    kindsButtons->addStretch();
    kindsRow->addWidget(typedKindsList, 1);
    kindsRow->addLayout(kindsButtons);
    inputForm->addRow(tr("キー入力するウィンドウ:"), kindsRow);
    duplicateBox = new QSpinBox(input);
    duplicateBox->setRange(0, OptionsForm::kMaxDuplicateSeconds);
    duplicateBox->setSuffix(tr(" 秒"));
    duplicateBox->setSpecialValueText(tr("しない"));
    duplicateBox->setValue(shown.duplicateSeconds);
    inputForm->addRow(tr("同じバーコードを無視:"), duplicateBox);
    root->addWidget(input);

    auto* history = new QGroupBox(tr("スキャン履歴"), this);
    auto* historyColumn = new QVBoxLayout(history);
    auto* historyRow = new QHBoxLayout();
    historyColumn->addLayout(historyRow);
    historyCheck = new QCheckBox(tr("CSVファイルに記録する"), history);
    historyCheck->setChecked(shown.scanHistory);
    historyFolderButton = new QPushButton(tr("フォルダーを開く"), history);
    historyRow->addWidget(historyCheck, 1);
    historyRow->addWidget(historyFolderButton);
    historyFolderNote = new QLabel(history);
    historyFolderNote->setWordWrap(true);
    historyFolderNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    historyFolderNote->hide();
    historyColumn->addWidget(historyFolderNote);
    root->addWidget(history);

    auto* program = new QGroupBox(tr("プログラム"), this);
    auto* programForm = new QFormLayout(program);
    languageBox = new QComboBox(program);
    languageBox->addItem(tr("デスクトップの言語"));
    languageBox->addItem(QStringLiteral("日本語"));
    languageBox->addItem(QStringLiteral("English"));
    languageBox->setCurrentIndex(shown.language);
    programForm->addRow(tr("表示言語 (次回の起動から):"), languageBox);
    sessionStartCheck = new QCheckBox(tr("ログイン時に起動する"), program);
    sessionStartCheck->setChecked(shown.startsWithSession);
    programForm->addRow(sessionStartCheck);
    root->addWidget(program);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    root->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(historyFolderButton, &QPushButton::clicked, this,
            &OptionsDialog::historyFolderRequested);
    connect(inputMethodBox, &QComboBox::currentIndexChanged, this, &OptionsDialog::showInputMethod);
    connect(typedKindsList, &QListWidget::currentRowChanged, this,
            [this] { forgetKindButton->setEnabled(typedKindsList->currentRow() >= 0); });
    connect(forgetKindButton, &QPushButton::clicked, this, &OptionsDialog::forgetSelectedKind);
    connect(forgetAllKindsButton, &QPushButton::clicked, this, [this] {
        mKinds.forgetAll();
        showTypedKinds();
    });
    showInputMethod();
    showTypedKinds();
}

void OptionsDialog::showTypedKinds() {
    typedKindsList->clear();
    for (const std::string& kind : mKinds.typedWindowKinds) {
        typedKindsList->addItem(QString::fromStdString(kind));
    }
    forgetKindButton->setEnabled(false);
    forgetAllKindsButton->setEnabled(!mKinds.typedWindowKinds.empty());
}

void OptionsDialog::forgetSelectedKind() {
    const int row = typedKindsList->currentRow();
    if (row >= 0 && row < static_cast<int>(mKinds.typedWindowKinds.size())) {
        mKinds.forget(mKinds.typedWindowKinds[static_cast<std::size_t>(row)]);
        showTypedKinds();
    }
}

void OptionsDialog::showHistoryFolderNote(const QString& note) {
    historyFolderNote->setText(note);
    historyFolderNote->show();
}

void OptionsDialog::showInputMethod() {
    const OptionsForm shown = form();
    keyDelayBox->setEnabled(shown.keyDelayEnabled());
    restoreClipboardCheck->setEnabled(shown.restoreClipboardEnabled());
}

OptionsForm OptionsDialog::form() const {
    OptionsForm shown;
    shown.inputMethod = inputMethodBox->currentIndex();
    shown.keyDelayMs = keyDelayBox->value();
    shown.restoreClipboard = restoreClipboardCheck->isChecked();
    shown.duplicateSeconds = duplicateBox->value();
    shown.scanHistory = historyCheck->isChecked();
    shown.language = languageBox->currentIndex();
    shown.startsWithSession = sessionStartCheck->isChecked();
    shown.typedWindowKinds = mKinds.typedWindowKinds;
    shown.forgottenKinds = mKinds.forgottenKinds;
    return shown;
}

}  // namespace korvane
