/* The no-op tool both sides of the spawn benchmark start. */
int main(void) {
    return 0;
}
