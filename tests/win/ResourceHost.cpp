// An empty program that only carries resources (ConfigResources.rc) for the configuration-reading tests.
int main() { return 0; }
