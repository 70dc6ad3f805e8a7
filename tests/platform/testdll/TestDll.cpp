// A small library that LoadLibrary finds by its DLL name, TESTDLL.DLL.
extern "C" int TestDllAnswer() {
    return 42;
}
