// Fontconfig never frees parts of the configuration it parses on first use, and LeakSanitizer
// reports them when the tests exit. The same entries live in tests/lsan.supp for runs that set
// LSAN_OPTIONS; building them in here keeps this binary clean without any environment.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
