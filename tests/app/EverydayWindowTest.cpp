#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <memory>

#include "app/Autostart.h"
#include "app/MainWindow.h"
#include "app/OptionsDialog.h"
#include "app/QrCode.h"
#include "app/QrLargeWindow.h"
#include "app/QrPaintBox.h"
#include "app/Translations.h"
#include "app/TrayIcon.h"
#include "handling/ScanHistory.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

using test::decodeQr;
using test::waitUntil;

using test::FakeDialogs;

// Japanese script: kana, kanji, full-width forms, Japanese punctuation.
bool hasJapanese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) ||
            (u >= 0xFF00 && u <= 0xFFEF)) {
            return true;
        }
    }
    return false;
}

// Every text a widget and its children show, with where it was found.
void collectTexts(QWidget* root, std::vector<std::pair<std::string, QString>>& texts) {
    auto add = [&](QObject* where, const QString& text) {
        texts.emplace_back(where->metaObject()->className(), text);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        add(w, w->windowTitle());
        add(w, w->toolTip());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            add(w, label->text());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            add(w, button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            add(w, group->title());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i) {
                add(w, combo->itemText(i));
            }
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            add(w, edit->toPlainText());
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            add(w, line->text());
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            add(w, spin->suffix());
            add(w, spin->specialValueText());
        }
        for (QAction* action : w->actions()) {
            add(action, action->text());
        }
    }
}

class EverydayWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::app();
        // Autostart entries of the tests go to their own folder, never the user's.
        setenv("XDG_CONFIG_HOME", mFolder.path().c_str(), 1);
    }
    void TearDown() override {
        mForm.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    MainWindow& form() {
        if (!mForm) {
            mForm = std::make_unique<MainWindow>(
                mDesktop, mDialogs, mIni, mFolder / "capture.png",
                [](std::vector<LocalAddress>& addresses) {
                    addresses = {{"192.0.2.10", "eth0"}, {"127.0.0.1", "lo"}};
                    return true;
                });
        }
        return *mForm;
    }

    // Listening on loopback at a free port.
    void startOnLoopback(const std::function<void()>& start) {
        form().addressBox->setCurrentIndex(1);
        form().portEdit->setText(QString::number(test::freePort()));
        start();
        ASSERT_TRUE(form().isListening());
    }

    test::TempFolder mFolder;
    std::filesystem::path mIni = mFolder / "korvane-server.ini";
    test::NoDesktop mDesktop;
    FakeDialogs mDialogs;
    std::unique_ptr<MainWindow> mForm;
};

TEST_F(EverydayWindowTest, TrayMenuShowsTheStateStartsStopsAndQuitsByTheCloseRules) {
    TrayIcon tray(form(), [] { return false; });
    QSignalSpy closed(&form(), &MainWindow::closed);
    EXPECT_EQ(tray.icon().toolTip().toStdString(), "KORVANE Server - 待ち受け停止中");
    EXPECT_EQ(tray.listenAction->text().toStdString(), "待ち受け開始");
    const QImage stoppedIcon = tray.icon().icon().pixmap(64).toImage();

    // Minimised to the tray: the window hides, the menu brings it back.
    form().setMinimizeToTray(true);
    form().minimizeCheck->setChecked(true);
    form().show();
    startOnLoopback([&] { tray.listenAction->trigger(); });
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(tray.icon().toolTip().toStdString(), "KORVANE Server - 待ち受け中 (127.0.0.1:" +
                                                       form().portEdit->text().toStdString() + ")");
    EXPECT_EQ(tray.listenAction->text().toStdString(), "待ち受け停止");
    EXPECT_NE(tray.icon().icon().pixmap(64).toImage(), stoppedIcon);
    tray.showAction->trigger();
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().isMinimized());

    // Quit while listening: the warning, and the program stays.
    tray.quitAction->trigger();
    EXPECT_EQ(mDialogs.shown, std::vector<std::string>{"warning:待ち受けを停止してください。"});
    EXPECT_EQ(closed.count(), 0);

    tray.listenAction->trigger();
    ASSERT_TRUE(waitUntil([&] { return !form().isListening(); }));
    EXPECT_EQ(tray.icon().toolTip().toStdString(), "KORVANE Server - 待ち受け停止中");

    // Quit from the tray while the window is hidden asks, and No keeps the program.
    form().hide();
    mDialogs.answers = {false, true};
    tray.quitAction->trigger();
    EXPECT_EQ(closed.count(), 0);
    tray.quitAction->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(mDialogs.shown.back(), "confirm:プログラムを終了しますか？");
}

TEST_F(EverydayWindowTest, WithoutATrayMinimisingGoesToTheTaskBar) {
    form().minimizeCheck->setChecked(true);
    form().show();
    startOnLoopback([&] { form().listenButton->click(); });
    EXPECT_TRUE(form().isMinimized());
    form().listenButton->click();
    ASSERT_TRUE(waitUntil([&] { return !form().isListening(); }));
}

TEST_F(EverydayWindowTest, OptionsDialogShowsAndReturnsTheChoicesAndTheyAreSaved) {
    AppSettings settings;
    settings.keyDelayMs = 20;
    settings.duplicateSeconds = 3;
    settings.language = "en";
    OptionsDialog dialog(OptionsForm::of(settings, true), nullptr);
    EXPECT_EQ(dialog.inputMethodBox->currentIndex(), 0);
    EXPECT_FALSE(dialog.keyDelayBox->isEnabled()) << "a key delay means nothing to a paste";
    EXPECT_TRUE(dialog.restoreClipboardCheck->isEnabled());
    EXPECT_EQ(dialog.duplicateBox->value(), 3);
    EXPECT_EQ(dialog.languageBox->currentIndex(), 2);
    EXPECT_TRUE(dialog.sessionStartCheck->isChecked());
    dialog.inputMethodBox->setCurrentIndex(1);
    EXPECT_TRUE(dialog.keyDelayBox->isEnabled());
    EXPECT_FALSE(dialog.restoreClipboardCheck->isEnabled());
    dialog.keyDelayBox->setValue(35);
    dialog.historyCheck->setChecked(true);
    dialog.languageBox->setCurrentIndex(0);
    dialog.duplicateBox->setValue(0);
    EXPECT_EQ(dialog.duplicateBox->text().toStdString(), "しない");

    EXPECT_TRUE(dialog.form().startsWithSession);
    const AppSettings chosen = dialog.form().chosen(settings);
    EXPECT_EQ(chosen.inputMethod, 1);
    EXPECT_EQ(chosen.keyDelayMs, 35);
    EXPECT_EQ(chosen.duplicateSeconds, 0);
    EXPECT_TRUE(chosen.scanHistory);
    EXPECT_EQ(chosen.language, "");

    form().applyOptions(chosen);
    mForm.reset();
    const AppSettings saved = readSettings(mIni);
    EXPECT_EQ(saved.inputMethod, 1);
    EXPECT_EQ(saved.keyDelayMs, 35);
    EXPECT_TRUE(saved.scanHistory);
    EXPECT_EQ(form().options().keyDelayMs, 35) << "read back by the next window";
    EXPECT_EQ(form().historyFile(), mFolder / "history" / "korvane-scans.csv");
}

// The automatic method shows with both its fields; the kinds it types into are listed, and the
// buttons forget the chosen one or all of them, which the form hands back to be forgotten.
TEST_F(EverydayWindowTest, OptionsDialogListsTheTypedWindowKindsAndForgetsThem) {
    AppSettings settings;
    settings.inputMethod = 2;
    settings.typedWindowKinds = {"XTerm", "Konsole", "Emacs"};
    OptionsDialog dialog(OptionsForm::of(settings, false), nullptr);
    EXPECT_EQ(dialog.inputMethodBox->count(), 3);
    EXPECT_EQ(dialog.inputMethodBox->currentIndex(), 2);
    EXPECT_TRUE(dialog.keyDelayBox->isEnabled());
    EXPECT_TRUE(dialog.restoreClipboardCheck->isEnabled());
    auto listed = [&] {
        std::vector<std::string> kinds;
        for (int row = 0; row < dialog.typedKindsList->count(); ++row) {
            kinds.push_back(dialog.typedKindsList->item(row)->text().toStdString());
        }
        return kinds;
    };
    EXPECT_EQ(listed(), settings.typedWindowKinds);
    EXPECT_FALSE(dialog.forgetKindButton->isEnabled()) << "nothing chosen to forget";

    dialog.typedKindsList->setCurrentRow(1);
    ASSERT_TRUE(dialog.forgetKindButton->isEnabled());
    dialog.forgetKindButton->click();
    EXPECT_EQ(listed(), (std::vector<std::string>{"XTerm", "Emacs"}));
    EXPECT_EQ(dialog.form().chosen(settings).typedWindowKinds,
              (std::vector<std::string>{"XTerm", "Emacs"}));

    dialog.forgetAllKindsButton->click();
    EXPECT_EQ(dialog.typedKindsList->count(), 0);
    EXPECT_FALSE(dialog.forgetAllKindsButton->isEnabled());
    EXPECT_TRUE(dialog.form().chosen(settings).typedWindowKinds.empty());
    EXPECT_EQ(dialog.form().chosen(settings).inputMethod, 2);
}

// A dialog is a window of its own, which does not take its parent's font as a child widget does;
// the options dialog shows in the main window's font all the same.
TEST_F(EverydayWindowTest, OptionsDialogShowsInTheMainWindowsFont) {
    ASSERT_NE(form().font(), QApplication::font()) << "nothing to tell apart";
    OptionsDialog dialog(OptionsForm::of(form().options(), false), &form());
    EXPECT_EQ(dialog.font().toString(), form().font().toString());
    EXPECT_EQ(dialog.inputMethodBox->font().toString(), form().portEdit->font().toString());
}

TEST_F(EverydayWindowTest, AutostartEntryIsWrittenQuotedAndRemoved) {
    const std::filesystem::path entry = autostartFilePath();
    EXPECT_EQ(entry, mFolder / "autostart" / "korvane-server.desktop");
    const std::filesystem::path program = "/opt/my apps/$x\"y/korvane-server";
    EXPECT_FALSE(autostartEnabled(entry, program));
    ASSERT_EQ(enableAutostart(entry, program), std::nullopt);
    EXPECT_TRUE(autostartEnabled(entry, program));
    const std::string text = test::readAll(entry);
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/\\\\$x\\\\\"y/korvane-server\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    ASSERT_EQ(enableAutostart(entry, "/usr/bin/korvane-server"), std::nullopt);
    EXPECT_NE(test::readAll(entry).find("\nExec=korvane-server\n"), std::string::npos);
    EXPECT_TRUE(autostartEnabled(entry, "/usr/bin/korvane-server"));
    // A desktop's settings tool may switch the entry off instead of removing it.
    test::writeAll(entry, test::readAll(entry) + "Hidden=true\n");
    EXPECT_FALSE(autostartEnabled(entry, "/usr/bin/korvane-server"));
    ASSERT_EQ(disableAutostart(entry), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(disableAutostart(entry), std::nullopt) << "nothing to remove is no failure";
}

TEST_F(EverydayWindowTest, AutostartCountsOnlyAnEntryThatStartsThisCopy) {
    const std::filesystem::path entry = autostartFilePath();
    const std::filesystem::path here = "/home/u/korvane/korvane-server";
    std::filesystem::create_directories(entry.parent_path());
    struct Case {
        const char* lines;
        bool enabled;
    };
    const Case cases[] = {
        {"Exec=\"/home/u/korvane/korvane-server\"\n", true},
        {"Exec = \"/home/u/korvane/korvane-server\"\nHidden=false\n", true},
        {"Exec=\"/home/u/old/korvane-server\"\n", false},
        {"Exec=korvane-server\n", false},
        {"Exec=\"/home/u/korvane/korvane-server\" --minimized\n", false},
        {"TryExec=\"/home/u/korvane/korvane-server\"\n", false},
        {"Exec=\"/home/u/korvane/korvane-server\"\nHidden=true\n", false},
        {"Name=KORVANE Server\n", false},
    };
    for (const Case& c : cases) {
        test::writeAll(entry, std::string("[Desktop Entry]\nType=Application\n") + c.lines);
        EXPECT_EQ(autostartEnabled(entry, here), c.enabled) << c.lines;
    }
    // An installed copy's entry, by name, is another copy's to a copy outside /usr.
    ASSERT_EQ(enableAutostart(entry, "/usr/bin/korvane-server"), std::nullopt);
    EXPECT_FALSE(autostartEnabled(entry, here));
    EXPECT_TRUE(autostartEnabled(entry, "/usr/local/bin/korvane-server"));

    // The options dialog: another copy's entry shows unticked; ticking makes it this copy's.
    bool shownTicked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownTicked = dialog->sessionStartCheck->isChecked();
        dialog->sessionStartCheck->setChecked(true);
        dialog->accept();
    });
    form().openOptions();
    EXPECT_FALSE(shownTicked);
    const std::filesystem::path self = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_TRUE(autostartEnabled(entry, self)) << test::readAll(entry);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownTicked = dialog->sessionStartCheck->isChecked();
        dialog->reject();
    });
    form().openOptions();
    EXPECT_TRUE(shownTicked);
}

// Without a file manager opening the folder shows nothing, so the dialog shows the path and
// copies it.
TEST_F(EverydayWindowTest, HistoryFolderButtonShowsThePathAndCopiesIt) {
    const std::filesystem::path folder = form().historyFile().parent_path();
    bool hiddenBefore = false;
    bool shownAfter = false;
    QString note;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        hiddenBefore = dialog->historyFolderNote->isHidden();
        dialog->historyFolderButton->click();
        shownAfter = !dialog->historyFolderNote->isHidden();
        note = dialog->historyFolderNote->text();
        dialog->reject();
    });
    form().openOptions();
    EXPECT_TRUE(hiddenBefore);
    EXPECT_TRUE(shownAfter);
    EXPECT_EQ(note.toStdString(), "パスをクリップボードにコピーしました: " + folder.string());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), folder.string());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(EverydayWindowTest, MultiLineLogLinesShowOnOneRowAndExportWhole) {
    form().handler().addLog("Server", "first");
    form().handler().addLog("Server", "[Lister_Error]a\r\nb\nc\rd");
    ASSERT_TRUE(waitUntil([&] { return form().logList->model()->rowCount() == 2; }));
    const QModelIndex newest = form().logList->model()->index(0, 0);
    const std::string shown = newest.data().toString().toStdString();
    EXPECT_TRUE(shown.ends_with("[Server][Lister_Error]a ↵ b ↵ c ↵ d")) << shown;
    QTest::mouseClick(form().logList->viewport(), Qt::LeftButton, {},
                      form().logList->visualRect(newest).center());
    EXPECT_TRUE(form().detailText->toPlainText().endsWith(QStringLiteral("a\nb\nc\nd")))
        << form().detailText->toPlainText().toStdString();

    const QString file = QString::fromStdString((mFolder / "log.txt").string());
    ASSERT_TRUE(form().exportLog(file));
    const std::string text = test::readAll(file.toStdString());
    const std::size_t first = text.find("[Server]first\n");
    const std::size_t second = text.find("[Server][Lister_Error]a\r\nb\nc\rd\n");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second) << "oldest first";
    EXPECT_FALSE(form().exportLog(QString::fromStdString((mFolder / "no" / "x.txt").string())));
}

TEST_F(EverydayWindowTest, ClickOnTheQrCodeShowsItLargeUntilListeningStops) {
    QTest::mouseClick(form().qrBox, Qt::LeftButton);
    EXPECT_EQ(form().largeQrWindow, nullptr) << "no code while stopped";
    startOnLoopback([&] { form().listenButton->click(); });
    QTest::mouseClick(form().qrBox, Qt::LeftButton);
    ASSERT_NE(form().largeQrWindow, nullptr);
    auto* large = static_cast<QrLargeWindow*>(form().largeQrWindow);
    large->adjustSize();
    EXPECT_GE(large->qrBox->width(), 400);
    const std::string port = form().portEdit->text().toStdString();
    EXPECT_EQ(decodeQr(large->qrBox->grab().toImage()), qrPayload("127.0.0.1", port));
    EXPECT_EQ(large->captionLabel->text().toStdString(), "127.0.0.1 : " + port);
    form().listenButton->click();
    ASSERT_TRUE(waitUntil([&] { return form().largeQrWindow == nullptr; }));
}

TEST_F(EverydayWindowTest, SavedAddressThatIsGoneIsReportedInTheLog) {
    AppSettings settings;
    settings.ipAddress = "198.51.100.7";
    ASSERT_EQ(writeSettings(mIni, settings), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return form().logList->model()->rowCount() == 1; }));
    const std::string line = form().logList->model()->index(0, 0).data().toString().toStdString();
    EXPECT_TRUE(
        line.ends_with("[Setting]前回のIPアドレス 198.51.100.7 はこのPCにありません。IP"
                       "アドレスを選び直してください。"))
        << line;
    EXPECT_EQ(form().addressBox->currentText().toStdString(), "192.0.2.10 (eth0)");
    EXPECT_TRUE(mDialogs.shown.empty());
}

// Qt's own translations (Debian's qt6-translations-l10n) give the standard buttons the language.
TEST(Translations, StandardButtonsFollowTheChosenLanguage) {
    test::app();
    struct Case {
        const char* language;
        const char* cancel;
    };
    for (const Case& c : {Case{"ja", "キャンセル"}, Case{"en", "Cancel"}}) {
        installTranslations(QString::fromUtf8(c.language), false);
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&').toStdString(), c.cancel);
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
}

TEST_F(EverydayWindowTest, EnglishWindowHasNoJapaneseLeft) {
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/translations/korvane-server_en.qm")));
    QCoreApplication::installTranslator(&english);
    std::vector<std::pair<std::string, QString>> texts;
    collectTexts(&form(), texts);
    TrayIcon tray(form(), [] { return false; });
    collectTexts(&tray.menu(), texts);
    texts.emplace_back("tray tooltip", tray.icon().toolTip());
    OptionsDialog options(OptionsForm::of(form().options(), false), &form());
    options.showHistoryFolderNote(form().openHistoryFolder());
    collectTexts(&options, texts);
    form().portEdit->setText(QStringLiteral("x"));
    form().listenButton->click();
    for (const std::string& message : mDialogs.shown) {
        texts.emplace_back("message box", QString::fromStdString(message));
    }
    startOnLoopback([&] { form().listenButton->click(); });
    collectTexts(&form(), texts);
    texts.emplace_back("tray tooltip", tray.icon().toolTip());
    form().close();
    texts.emplace_back("message box", QString::fromStdString(mDialogs.shown.back()));
    QCoreApplication::removeTranslator(&english);

    int checked = 0;
    for (const auto& [where, text] : texts) {
        // A language's own name stays in its own script, so that its readers find it.
        if (text == QStringLiteral("日本語")) {
            continue;
        }
        EXPECT_FALSE(hasJapanese(text)) << where << ": " << text.toStdString();
        checked += text.isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(form().listenButton->text().toStdString(), "Stop listening");
    EXPECT_EQ(mDialogs.shown.front(), "error:Invalid port number.\r''x'' is not an integer");
    EXPECT_GT(checked, 30) << "the walk found the texts";
    form().listenButton->click();
    ASSERT_TRUE(waitUntil([&] { return !form().isListening(); }));
}

}  // namespace
}  // namespace korvane
