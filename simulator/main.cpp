// Placeholder: the virtual device is not built yet.
int main() { return 1; }
