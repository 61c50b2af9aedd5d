#include "window/qt/startup.h"

#include "message_box_dismisser.h"
#include "run_timer_tick.h"
#include "window/qt/form1.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPushButton>
#include <QSize>
#include <QTest>
#include <QTimer>

// How the desktop tells Morvane's windows apart: the icon they carry and the entry they belong to.
class DesktopIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void iconComesInTheTwoSizesItIsDrawnFor_data();
    void iconComesInTheTwoSizesItIsDrawnFor();
    void desktopFileNameIsTheInstalledEntrysName();
    void windowAndMessageBoxesCarryTheIcon();
};

void DesktopIdentityTest::iconComesInTheTwoSizesItIsDrawnFor_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("16 px, title bars and lists") << 16;
    QTest::newRow("32 px, task switchers") << 32;
}

void DesktopIdentityTest::iconComesInTheTwoSizesItIsDrawnFor()
{
    QFETCH(int, size);
    const QIcon icon = qtshell::applicationIcon();
    QCOMPARE(icon.availableSizes(), QList<QSize>({ QSize(16, 16), QSize(32, 32) }));

    // Drawn at that size, not scaled from the other one.
    const QImage image = icon.pixmap(QSize(size, size)).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());
    // Rounded corners on any background, a solid picture in the middle.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
}

void DesktopIdentityTest::desktopFileNameIsTheInstalledEntrysName()
{
    qtshell::identifyApplication();
    // The entry installed as <name>.desktop; Wayland's app id and X11's grouping use the name.
    QCOMPARE(QApplication::desktopFileName(),
        QFileInfo(QStringLiteral(MORVANE_DESKTOP_ENTRY)).completeBaseName());
}

void DesktopIdentityTest::windowAndMessageBoxesCarryTheIcon()
{
    QApplication::setWindowIcon(qtshell::applicationIcon());
    const qint64 icon = QApplication::windowIcon().cacheKey();

    qtshell::Form1 form({});
    form.show();
    QCOMPARE(form.windowIcon().cacheKey(), icon);

    QList<qint64> boxIcons;
    MessageBoxDismisser dismisser;
    dismisser.whileOpen
        = [&boxIcons](QMessageBox& box) { boxIcons << box.windowIcon().cacheKey(); };
    // A run of one click, its end at once, and RESET: the rating box.
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    tickNow(*form.findChild<QTimer*>(QStringLiteral("Timer1")));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    QCOMPARE(boxIcons, QList<qint64>({ icon }));
}

int main(int argc, char** argv)
{
    const QApplication app(argc, argv);
    DesktopIdentityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_identity_test.moc"
