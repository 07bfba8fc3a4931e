// A DLL that carries nothing but a version resource of a known version, for
// CheckFileVer to compare with.
extern "C" __declspec(dllexport) int KnownVersion() {
    return 1;
}
