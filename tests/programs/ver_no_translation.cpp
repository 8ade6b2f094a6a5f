// Carries a version resource without a translation table.
int main() { return 0; }
