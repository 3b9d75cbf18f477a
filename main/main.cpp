// Placeholder entry until the program body lands.
int main() { return 0; }
