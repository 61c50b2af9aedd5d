#include "window/startup.h"

int main(int argc, char** argv)
{
    return window::runGame(argc, argv);
}
