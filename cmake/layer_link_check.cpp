// Linked with every object of one layer and only the layers below it, so a call from the layer
// to one above it is an undefined reference; it is never run.
int main() {
    return 0;
}
