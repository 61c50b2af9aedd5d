#include "window/qt/startup.h"

int main(int argc, char** argv)
{
    return qtshell::runGame(argc, argv);
}
