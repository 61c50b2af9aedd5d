#include "window/qt/startup.h"
#include "window/qt/wayland_frame.h"

int main(int argc, char** argv)
{
    qtshell::chooseWaylandFrame();
    return qtshell::runGame(argc, argv);
}
