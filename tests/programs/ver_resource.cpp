// Carries a version resource (ver_resource.rc) for the file version tests.
int main() { return 0; }
