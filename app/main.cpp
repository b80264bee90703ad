// Zolt: a desktop organizer for one person.
#include "app/startup.h"

int main(int argc, char** argv) { return zoltMain(argc, argv); }
