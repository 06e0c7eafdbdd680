/* The smallest Windows program: the resource tests link the installer's
   resources to it when no installer is built (the native tree). */
int main(void) {
    return 0;
}
