// SPDX-License-Identifier: MIT
/* Reads the expected page-column bytes as hexadecimal text on standard input and
   compares them with the array of the generated header. */
#include <stdio.h>

#include "sample_landscape_glcd.h"

#define PAGES ((SAMPLE_LANDSCAPE_GLCD_HEIGHT + 7) / 8)

int main(void)
{
    const unsigned char *bytes = (const unsigned char *)sample_landscape_glcd_bmp;
    const size_t count = sizeof sample_landscape_glcd_bmp;
    size_t i;

    printf("%d x %d\n", SAMPLE_LANDSCAPE_GLCD_WIDTH, SAMPLE_LANDSCAPE_GLCD_HEIGHT);
    if (count != (size_t)SAMPLE_LANDSCAPE_GLCD_WIDTH * PAGES) {
        printf("array has %lu bytes, the size macros say %d\n", (unsigned long)count,
               SAMPLE_LANDSCAPE_GLCD_WIDTH * PAGES);
        return 1;
    }
    for (i = 0; i < count; i++) {
        unsigned int expected;
        if (scanf("%2x", &expected) != 1) {
            printf("expected bytes end at %lu of %lu\n", (unsigned long)i, (unsigned long)count);
            return 1;
        }
        if (bytes[i] != expected) {
            printf("byte %lu (page %lu, column %lu) is 0x%02x, expected 0x%02x\n", (unsigned long)i,
                   (unsigned long)(i / SAMPLE_LANDSCAPE_GLCD_WIDTH),
                   (unsigned long)(i % SAMPLE_LANDSCAPE_GLCD_WIDTH), bytes[i], expected);
            return 1;
        }
    }
    printf("%lu bytes match\n", (unsigned long)count);
    return 0;
}
