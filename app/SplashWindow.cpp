#include "app/SplashWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "app/Logos.h"
#include "core/Version.h"

namespace korvane {
namespace {

// Its sizes are design sizes at 120 dots per inch.
constexpr double kDesignDpi = 120.0;

}  // namespace

// Above other windows while it shows: a window opened meanwhile (a terminal, a file manager at
// login) would hide it, and with it the only sign that the program is starting.
SplashWindow::SplashWindow()
    : QDialog(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    const double scale = screen()->logicalDotsPerInchY() / kDesignDpi;
    auto scaled = [scale](int pixels) { return static_cast<int>(pixels * scale + 0.5); };

    setFixedSize(scaled(409) + 2, scaled(537) + 2);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    auto* border = new QVBoxLayout(this);
    border->setContentsMargins(1, 1, 1, 1);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    panel->setPalette(QGuiApplication::palette());
    border->addWidget(panel);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(1, 1, 1, 1);

    headerLabel = new QLabel(panel);
    headerLabel->setFixedHeight(scaled(55));
    headerLabel->setAlignment(Qt::AlignCenter);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(scaled(15));
    headerLabel->setFont(tahoma);
    logoLabel = new QLabel(panel);
    logoLabel->setAlignment(Qt::AlignCenter);
    logoLabel->setPixmap(QPixmap::fromImage(drawLogo(200)));
    titleLabel = new QLabel(panel);
    titleLabel->setFixedHeight(scaled(85));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFont(japaneseFont(scaled(18)));
    column->addWidget(headerLabel);
    column->addWidget(logoLabel, 1);
    column->addWidget(titleLabel);

    if (const QScreen* shown = screen()) {
        move(shown->geometry().center() - rect().center());
    }

    titleLabel->setText(QString::fromStdString(versionTitle()));
    closeTimer = new QTimer(this);
    closeTimer->setInterval(3000);
    connect(closeTimer, &QTimer::timeout, this, &SplashWindow::timeUp);
    closeTimer->start();
}

void SplashWindow::timeUp() {
    closeTimer->stop();
    mTimeUp = true;
    accept();
}

void SplashWindow::closeEvent(QCloseEvent* event) {
    if (!mTimeUp) {
        event->ignore();
    }
}

}  // namespace korvane
