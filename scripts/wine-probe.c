/* Started under Wine by scripts/test-all.sh to learn whether this machine runs
   32-bit Windows programs: prints the sizes that the i686 product build relies on. */
#include <stdio.h>

int main(void) {
    printf("ptr %d long %d\n", (int)sizeof(void*), (int)sizeof(long));
    return 0;
}
