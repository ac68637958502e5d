#include "app/Unit2.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "app/Logos.h"
#include "app/Unit1.h"
#include "app/Version.h"

namespace korvane {
namespace {

// Its sizes are design sizes at 120 dots per inch.
constexpr double kDesignDpi = 120.0;

}  // namespace

TForm2::TForm2(TForm1& pMainForm)
    : QDialog(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), mMainForm(pMainForm) {
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

    Label2 = new QLabel(panel);
    Label2->setFixedHeight(scaled(55));
    Label2->setAlignment(Qt::AlignCenter);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(scaled(15));
    Label2->setFont(tahoma);
    Image1 = new QLabel(panel);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap::fromImage(DrawLogo(200)));
    Label1 = new QLabel(panel);
    Label1->setFixedHeight(scaled(85));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(JapaneseFont(scaled(18)));
    column->addWidget(Label2);
    column->addWidget(Image1, 1);
    column->addWidget(Label1);

    if (const QScreen* shown = screen()) {
        move(shown->geometry().center() - rect().center());
    }

    Label1->setText(QString::fromStdString(VersionTitle()));
    Timer1 = new QTimer(this);
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    Timer1->start();
}

void TForm2::Timer1Timer() {
    Timer1->stop();
    mTimeUp = true;
    accept();
    mMainForm.tmrStart->start();
}

void TForm2::closeEvent(QCloseEvent* event) {
    if (!mTimeUp) {
        event->ignore();
    }
}

}  // namespace korvane
