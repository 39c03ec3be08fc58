// A library without icons, for the icon picker's tests.
__declspec(dllexport) int NoIconsAnswer(void) {
    return 42;
}
