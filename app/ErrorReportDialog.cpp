#include "app/ErrorReportDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "platform/ProgramVersion.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;

QString pathText(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                             static_cast<qsizetype>(text.size()));
}

}  // namespace

ErrorReportDialog::ErrorReportDialog(const FaultReport& report, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("errorReportDialog"));
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("KORVANE Server - エラー報告"));
    auto* root = new QVBoxLayout(this);
    whatHappened = new QLabel(
        report.kind == FaultReport::Kind::Exception
            ? tr("予期しないエラーが発生しました。直前の操作は終わっていないことがありますが、"
                 "プログラムはこのまま使えます。")
            : tr("前回の実行で、KORVANE Server は異常終了しました。そのときの報告です。"),
        this);
    whatHappened->setWordWrap(true);
    version = new QLabel(tr("バージョン: %1").arg(QString::fromUtf8(programVersion())), this);
    savedIn = new QLabel(report.file.empty() ? tr("報告を保存できませんでした。")
                                             : tr("報告の保存先: %1").arg(pathText(report.file)),
                         this);
    savedIn->setWordWrap(true);
    savedIn->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reportText = new QPlainTextEdit(QString::fromUtf8(report.text), this);
    reportText->setReadOnly(true);
    reportText->setLineWrapMode(QPlainTextEdit::NoWrap);
    root->addWidget(whatHappened);
    root->addWidget(version);
    root->addWidget(savedIn);
    root->addWidget(reportText, 1);
    auto* buttons = new QHBoxLayout();
    copyButton = new QPushButton(tr("報告をコピー"), this);
    closeButton = new QPushButton(tr("閉じる"), this);
    buttons->addWidget(copyButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    root->addLayout(buttons);
    resize(640, 400);

    // What support needs most is the report; where it lies comes with it.
    const QString copied = reportText->toPlainText() + QLatin1Char('\n') + savedIn->text();
    connect(copyButton, &QPushButton::clicked,
            [copied] { QGuiApplication::clipboard()->setText(copied); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

void ErrorReportDialog::showReport(const FaultReport& report) {
    auto* dialog = new ErrorReportDialog(report);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace korvane
