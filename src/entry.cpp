// The entry point of demo-linux, demo-win32 and the web page's module: the
// demo's start-up, given the program's command line. (demo-capture has an
// entry point of its own, which sets up its encoder first.)
#include "demo.h"

int main(int argc, char** argv) { return demoMain(argc, argv); }
