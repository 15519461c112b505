#include "driver/vocana.h"

int main(int argc, char** argv) { return vocana_main(argc, argv); }
