// Starts in the build's Wine prefix and ends at once: running it makes sure the
// prefix exists before the tests run.
int main() { return 0; }
