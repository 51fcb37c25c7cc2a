// A library that is not a component library. Its dependency is one, so a
// lookup of the entry point through this library finds the dependency's.
extern "C" __attribute__((visibility("default"))) int ZELTestForeignFunction() { return 1; }
