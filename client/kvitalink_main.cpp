// kvitalink_main.cpp: the executable: the start-up runs MAIN.
#include "client/console/process.h"
#include "client/main.h"

int main(int argc, char** argv) { return RunProgram(argc, argv, MAIN); }
