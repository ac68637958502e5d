#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace korvane {
namespace {

// The language box's entries, in order, by their setting value.
const char* const kLanguages[] = {"", "ja", "en"};

}  // namespace

OptionsDialog::OptionsDialog(const AppSettings& settings, bool startsWithSession, QWidget* parent)
    : QDialog(parent) {
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
    inputMethodBox->setCurrentIndex(settings.inputMethod == 1 ? 1 : 0);
    inputForm->addRow(tr("入力方法:"), inputMethodBox);
    keyDelayBox = new QSpinBox(input);
    keyDelayBox->setRange(0, 1000);
    keyDelayBox->setSuffix(tr(" ミリ秒"));
    keyDelayBox->setValue(std::clamp(settings.keyDelayMs, 0, 1000));
    inputForm->addRow(tr("キーの間隔:"), keyDelayBox);
    restoreClipboardCheck = new QCheckBox(tr("貼り付けの後、クリップボードを元に戻す"), input);
    restoreClipboardCheck->setChecked(settings.restoreClipboard);
    inputForm->addRow(restoreClipboardCheck);
    duplicateBox = new QSpinBox(input);
    duplicateBox->setRange(0, 3600);
    duplicateBox->setSuffix(tr(" 秒"));
    duplicateBox->setSpecialValueText(tr("しない"));
    duplicateBox->setValue(std::clamp(settings.duplicateSeconds, 0, 3600));
    inputForm->addRow(tr("同じバーコードを無視:"), duplicateBox);
    root->addWidget(input);

    auto* history = new QGroupBox(tr("スキャン履歴"), this);
    auto* historyRow = new QHBoxLayout(history);
    historyCheck = new QCheckBox(tr("CSVファイルに記録する"), history);
    historyCheck->setChecked(settings.scanHistory);
    historyFolderButton = new QPushButton(tr("フォルダーを開く"), history);
    historyRow->addWidget(historyCheck, 1);
    historyRow->addWidget(historyFolderButton);
    root->addWidget(history);

    auto* program = new QGroupBox(tr("プログラム"), this);
    auto* programForm = new QFormLayout(program);
    languageBox = new QComboBox(program);
    languageBox->addItem(tr("デスクトップの言語"));
    languageBox->addItem(QStringLiteral("日本語"));
    languageBox->addItem(QStringLiteral("English"));
    for (int i = 0; i < 3; ++i) {
        if (settings.language == kLanguages[i]) {
            languageBox->setCurrentIndex(i);
        }
    }
    programForm->addRow(tr("表示言語 (次回の起動から):"), languageBox);
    sessionStartCheck = new QCheckBox(tr("ログイン時に起動する"), program);
    sessionStartCheck->setChecked(startsWithSession);
    programForm->addRow(sessionStartCheck);
    root->addWidget(program);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    root->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(historyFolderButton, &QPushButton::clicked, this,
            &OptionsDialog::historyFolderRequested);
    connect(inputMethodBox, &QComboBox::currentIndexChanged, this, &OptionsDialog::showInputMethod);
    showInputMethod();
}

void OptionsDialog::showInputMethod() {
    const bool typed = inputMethodBox->currentIndex() == 1;
    keyDelayBox->setEnabled(typed);
    restoreClipboardCheck->setEnabled(!typed);
}

AppSettings OptionsDialog::chosen(AppSettings settings) const {
    settings.inputMethod = inputMethodBox->currentIndex();
    settings.keyDelayMs = keyDelayBox->value();
    settings.restoreClipboard = restoreClipboardCheck->isChecked();
    settings.duplicateSeconds = duplicateBox->value();
    settings.scanHistory = historyCheck->isChecked();
    settings.language = kLanguages[std::max(0, languageBox->currentIndex())];
    return settings;
}

bool OptionsDialog::startsWithSession() const {
    return sessionStartCheck->isChecked();
}

}  // namespace korvane
