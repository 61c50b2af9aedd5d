#include "window/qt/wayland_frame.h"

#include <QTest>

using qtshell::WaylandFrame;
using qtshell::WaylandSession;

class WaylandFrameTest : public QObject {
    Q_OBJECT

private slots:
    void choosesWhoDrawsTheFrame_data();
    void choosesWhoDrawsTheFrame();
};

void WaylandFrameTest::choosesWhoDrawsTheFrame_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("desktop");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("decoration");
    QTest::addColumn<QVersionNumber>("qt");
    QTest::addColumn<WaylandFrame>("frame");

    const QVersionNumber qt64(6, 4, 2);
    const QVersionNumber qt68(6, 8, 2);
    const auto row
        = [](const char* name, const char* display, const char* desktop, const QVersionNumber& qt,
              WaylandFrame frame, const char* platform = "", const char* decoration = "") {
              QTest::newRow(name) << QByteArray(display) << QByteArray(desktop)
                                  << QByteArray(platform) << QByteArray(decoration) << qt << frame;
          };
    row("GNOME, Qt 6.4: XWayland", ":0", "GNOME", qt64, WaylandFrame::XWayland);
    row("GNOME among others, any case", ":0", "ubuntu:gnome", qt64, WaylandFrame::XWayland);
    row("GNOME without XWayland", "", "GNOME", qt64, WaylandFrame::AsIs);
    row("GNOME, Qt 6.8: its decoration", ":0", "GNOME", qt68, WaylandFrame::GnomeDecoration);
    row("KDE frames its windows itself", ":0", "KDE", qt64, WaylandFrame::AsIs);
    row("the user's platform", ":0", "GNOME", qt64, WaylandFrame::AsIs, "wayland");
    row("the user's decoration", ":0", "GNOME", qt68, WaylandFrame::AsIs, "", "bradient");
}

void WaylandFrameTest::choosesWhoDrawsTheFrame()
{
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, desktop);
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, decoration);
    QFETCH(QVersionNumber, qt);
    QFETCH(WaylandFrame, frame);

    const WaylandSession session { "wayland-0", display, desktop, platform, decoration, qt };
    QCOMPARE(qtshell::waylandFrameFor(session), frame);
    // Outside a Wayland session nothing is changed, whatever else is set.
    const WaylandSession x11 { {}, display, desktop, platform, decoration, qt };
    QCOMPARE(qtshell::waylandFrameFor(x11), WaylandFrame::AsIs);
}

QTEST_GUILESS_MAIN(WaylandFrameTest)
#include "wayland_frame_test.moc"
