/* A program linked without ASLR and DEP, to show that the hardening check notices. */
int main(void) {
    return 0;
}
