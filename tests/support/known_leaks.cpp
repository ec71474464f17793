// Linked into the programs of a sanitizer build (KELVARO_SANITIZE): leaks that are the C
// library's own and that the leak checker should not lay at the calculator's door.
//
// newlocale() loses the list of directories it builds from LOCPATH (glibc 2.36), once per
// call; the locale tests set LOCPATH to reach a locale they build themselves.

extern "C" const char* __lsan_default_suppressions() {
  return "leak:argz_add_sep\n";
}

// kelvaro-cli's standard error is compared by the tests: no list of the suppressions used.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
