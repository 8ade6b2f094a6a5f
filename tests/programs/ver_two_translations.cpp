// Carries a version resource that lists two translations.
int main() { return 0; }
