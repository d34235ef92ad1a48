/* SPDX-License-Identifier: MIT
 *
 * panelbake_play.h: plays the compressed frames that panelbake-prepare --compress writes,
 * straight into a display buffer. Plain C (C89 or later, and C++), no allocation: the
 * player's state is the struct below, two pointers and a byte (5 bytes on AVR) that the
 * caller owns.
 *
 *   #include "panelbake_play.h"
 *   #include "walk_frames.h"
 *
 *   static struct panelbake_player player;
 *   unsigned int i;
 *
 *   panelbake_play_start(&player, walk_frames_stream);
 *   for (;;) for (i = 0; i < WALK_FRAMES_COUNT; i++) {
 *       panelbake_play_frame(&player, display.getBuffer());
 *       display.display();
 *       delay(walk_frames_delay_ms[i]);
 *   }
 *
 * panelbake_play_frame writes the next frame, the stream's frame size in bytes
 * (WALK_FRAMES_BYTES), into the buffer, and after the last frame starts again at the first.
 * Between calls the buffer must keep the frame written last; what it holds before the
 * first frame does not matter.
 *
 * On AVR the stream is read from program memory; elsewhere from plain memory.
 * PANELBAKE_PLAY_MEMORY is where the stream lies for that read (PROGMEM on AVR, nothing
 * elsewhere): a frames header written without -pgm and -pic30 includes this header and
 * declares its stream with it, so the stream is always where the player reads it. Define
 * PANELBAKE_PLAY_READ(p), the byte at p, before including this header to read it some other
 * way, and PANELBAKE_PLAY_MEMORY where that reads, if anywhere special. With avr-gcc the
 * assembly below plays a frame, reading program memory itself: under 300 bytes of code, and
 * a 128 x 64 frame in under 2 ms on a 16 MHz ATmega328P. With PANELBAKE_PLAY_READ defined,
 * or another compiler, the C below plays it, to the same bytes.
 *
 * The stream: a header of two little-endian 16-bit numbers (the bytes of one frame, the
 * bytes of the frames that follow the header), then the frames. They are read as bits,
 * lowest bit of a byte first, each frame's after the frame before's (the first frame's
 * from the header's end, as after the last frame), into numbers of one or more: a 1 ends a
 * number, a 0 is followed by its next binary digit after a leading 1 (1 is "1", 2 is "001",
 * 3 is "011", 4 is "00001"); numbers are kept in 16 bits. A frame's first bit is its
 * direction (0: from its first byte to its last, 1: from the last to the first); then each
 * step is two numbers, a count and a source. Source 1: that many bytes follow in the stream
 * (taken whole, after the bits read so far). Source s of 2 or more: that many bytes are
 * copied from the buffer, starting d bytes further on in the direction of the frame, where
 * d is (s - 2) / 2 for an even s and -(s - 1) / 2 for an odd one; d = 0 keeps bytes of the
 * frame before, d < 0 repeats bytes of this frame, d > 0 moves bytes of the frame before.
 * The player reads nothing beyond the length its header declares and writes nothing
 * beyond the frame size: a step that would reach past them ends the frame, and past the
 * stream's end every bit reads as 1. A damaged stream gives damaged pictures, never a stray
 * access.
 */
#ifndef PANELBAKE_PLAY_H
#define PANELBAKE_PLAY_H

#if !defined(PANELBAKE_PLAY_READ) && defined(__AVR__) && defined(__GNUC__) && !defined(__clang__) && \
    defined(__AVR_HAVE_LPMX__) && defined(__AVR_HAVE_MOVW__) && !defined(__AVR_TINY__)
#define PANELBAKE_PLAY_AVR 1
#endif

#ifndef PANELBAKE_PLAY_READ
#ifdef __AVR__
#include <avr/pgmspace.h>
#define PANELBAKE_PLAY_READ(p) pgm_read_byte(p)
#ifndef PANELBAKE_PLAY_MEMORY
#define PANELBAKE_PLAY_MEMORY PROGMEM
#endif
#else
#define PANELBAKE_PLAY_READ(p) (*(p))
#endif
#endif
#ifndef PANELBAKE_PLAY_MEMORY
#define PANELBAKE_PLAY_MEMORY
#endif

/* Functions a file includes but does not call draw no warning. */
#if defined(__GNUC__)
#define PANELBAKE_PLAY_FUNCTION static __attribute__((unused))
#else
#define PANELBAKE_PLAY_FUNCTION static
#endif

struct panelbake_player {
    const unsigned char *stream; /* the stream's first byte, its header */
    const unsigned char *next;   /* the byte to read next */
    unsigned char bits;          /* the unread bits of the byte read last, above a marker bit */
};

PANELBAKE_PLAY_FUNCTION void panelbake_play_start(struct panelbake_player *player, const unsigned char *stream)
{
    player->stream = stream;
    player->next = stream + 4;
    player->bits = 0;
}

#ifdef PANELBAKE_PLAY_AVR

/* The frame in AVR assembly, as the C below plays it: each label's comment is the C it
 * plays. Registers: r1 the unread bits above a marker bit (from the state, 0 for the first
 * frame; the compiler keeps 0 in it, as on entry and again on return), T the direction, Z
 * the stream, r18:19 its end, r20:21 the frame's bytes, r22:23 the bytes left, r24:25 a
 * step's count less one, Y the byte to write, X numbers and the byte to copy from. n bytes
 * left name the byte buffer[size - n] forward, buffer[n - 1] backward. The pieces below
 * are one routine, in this order; 6, 7 and 8 are its subroutines, called with rcall. */

/* The stream's header, where the frame before stopped, the direction, the first byte. */
#define PANELBAKE_PLAY_AVR_START \
    "    push r28\n" \
    "    push r29\n" \
    "    ld r30, X+\n"        /* Z: the stream's header */ \
    "    ld r31, X+\n" \
    "    ld r24, X+\n"        /* r24:25: the byte to read next */ \
    "    ld r25, X+\n" \
    "    push r26\n" \
    "    push r27\n" \
    "    lpm r20, Z+\n" \
    "    lpm r21, Z+\n" \
    "    lpm r18, Z+\n" \
    "    lpm r19, Z+\n" \
    "    add r18, r30\n" \
    "    adc r19, r31\n" \
    "    cp r24, r18\n" \
    "    cpc r25, r19\n" \
    "    brsh 1f\n"           /* after the last frame, the first, which Z points to */ \
    "    movw r30, r24\n" \
    "    ld r1, X\n" \
    "1:  rcall 8f\n"          /* if (panelbake_play_bit(&in)) { flip = ~0u; shift = size; } */ \
    "    rol r0\n" \
    "    bst r0, 0\n" \
    "    movw r16, r22\n"     /* backward: n bytes left name buffer[n - 1] */ \
    "    brts 2f\n" \
    "    add r16, r20\n"      /* forward: buffer[size - n] */ \
    "    adc r17, r21\n" \
    "2:  movw r22, r20\n"     /* for (left = size; ...) */ \
    "3:  movw r26, r22\n"     /* at = size - left; (again after a keep) */ \
    "    rcall 6f\n" \
    "    movw r28, r26\n"

/* Each step: its count and source, and bytes taken from the stream. */
#define PANELBAKE_PLAY_AVR_STEPS \
    "4:  mov r0, r22\n"       /* for (...; left;) { count = panelbake_play_number(&in); */ \
    "    or r0, r23\n" \
    "    breq 9f\n" \
    "    rcall 7f\n" \
    "    movw r24, r26\n" \
    "    sbiw r24, 1\n" \
    "    sec\n" \
    "    sbc r22, r24\n" \
    "    sbc r23, r25\n" \
    "    brcs 9f\n"           /* if (count == 0 || count > left) break; left -= count; */ \
    "    rcall 7f\n"          /* source = panelbake_play_number(&in); */ \
    "    sbiw r26, 1\n" \
    "    brne 5f\n"           /* if (source == 1) */ \
    "    movw r26, r18\n"     /* bytes from the stream, as many as it holds */ \
    "    sub r26, r30\n" \
    "    sbc r27, r31\n" \
    "    cp r24, r26\n" \
    "    cpc r25, r27\n" \
    "    brsh 9f\n"           /* if (count > (unsigned int)(in.end - in.next)) break; */ \
    "10: lpm r0, Z+\n"        /* buffer[(at ^ flip) + shift] = PANELBAKE_PLAY_READ(in.next++); */ \
    "    st Y+, r0\n" \
    "    brtc 11f\n" \
    "    sbiw r28, 2\n" \
    "11: sbiw r24, 1\n"       /* for (; count; --count, ++at) */ \
    "    brcc 10b\n" \
    "    rjmp 4b\n"

/* The frame's end: the state kept for the next. */
#define PANELBAKE_PLAY_AVR_END \
    "9:  pop r27\n"           /* player->next = in.next; player->bits = (unsigned char)in.bits; */ \
    "    pop r26\n" \
    "    st X, r1\n" \
    "    st -X, r31\n" \
    "    st -X, r30\n" \
    "    pop r29\n" \
    "    pop r28\n" \
    "    clr r1\n" \
    "    rjmp 20f\n"

/* A step of bytes copied from the buffer. */
#define PANELBAKE_PLAY_AVR_COPY \
    "5:  lsr r27\n"           /* source & 1 ? (source - 1) / 2 : (source - 2) / 2, as d */ \
    "    ror r26\n"           /* X = (s - 1) / 2, the carry set for an even s, d >= 0 */ \
    "    brcc 12f\n" \
    "    adiw r26, 0\n" \
    "    breq 3b\n"           /* if (source == 2) continue; the bytes stay */ \
    "    com r27\n" \
    "    neg r26\n" \
    "    sbci r27, -1\n" \
    "12: sec\n"               /* from = left + count - d: X = -d, plus count, plus left */ \
    "    adc r26, r24\n" \
    "    adc r27, r25\n" \
    "    add r26, r22\n" \
    "    adc r27, r23\n" \
    "    cp r24, r26\n" \
    "    cpc r25, r27\n" \
    "    brsh 9b\n"           /* if (from < count) break; it runs on past the frame's end */ \
    "    cp r20, r26\n" \
    "    cpc r21, r27\n" \
    "    brlo 9b\n"           /* if (from > size) break; it starts before the first byte */ \
    "    rcall 6f\n" \
    "13: ld r0, X+\n"         /* buffer[(at ^ flip) + shift] = buffer[(from ^ flip) + shift]; */ \
    "    st Y+, r0\n" \
    "    brtc 14f\n" \
    "    sbiw r26, 2\n" \
    "    sbiw r28, 2\n" \
    "14: sbiw r24, 1\n"       /* for (from = size - from; count; --count, ++at, ++from) */ \
    "    brcc 13b\n" \
    "    rjmp 4b\n"

/* X: the byte that X bytes left name, with r16:17 (buffer + size forward, buffer backward). */
#define PANELBAKE_PLAY_AVR_BYTE \
    "6:  sbiw r26, 1\n"       /* (at ^ flip) + shift for at = size - n: backward n - 1 */ \
    "    brts 15f\n" \
    "    com r26\n"           /* forward -n, from buffer + size */ \
    "    com r27\n" \
    "15: add r26, r16\n"      /* buffer[...] */ \
    "    adc r27, r17\n" \
    "    ret\n"

/* X: a number. */
#define PANELBAKE_PLAY_AVR_NUMBER \
    "7:  ldi r26, 1\n"        /* unsigned int value = 1; */ \
    "    ldi r27, 0\n" \
    "16: rcall 8f\n"          /* while (!panelbake_play_bit(in)) */ \
    "    brcs 17f\n" \
    "    rcall 8f\n"          /* value = (value * 2 + panelbake_play_bit(in)) & 0xFFFFu; */ \
    "    rol r26\n" \
    "    rol r27\n" \
    "    rjmp 16b\n" \
    "17: ret\n"               /* return value; */

/* The carry: a bit. */
#define PANELBAKE_PLAY_AVR_BIT \
    "8:  lsr r1\n"            /* bit = in->bits & 1; in->bits >>= 1; while the marker is left */ \
    "    brne 18f\n" \
    "    com r1\n"            /* if (in->bits <= 1): past the stream's end, ones */ \
    "    cp r30, r18\n" \
    "    cpc r31, r19\n" \
    "    brsh 19f\n" \
    "    lpm r1, Z+\n" \
    "19: sec\n"               /* in->bits = (in->next < in->end ? ... : 0xFFu) | 0x100u; */ \
    "    ror r1\n" \
    "18: ret\n"               /* return bit; */

/* Never inlined, so that its code is there once however many calls there are. */
__attribute__((noinline)) PANELBAKE_PLAY_FUNCTION void panelbake_play_frame(struct panelbake_player *player,
                                                                            unsigned char *buffer)
{
    register struct panelbake_player *state __asm__("r26") = player;
    register unsigned char *first __asm__("r22") = buffer;
    __asm__ volatile(PANELBAKE_PLAY_AVR_START PANELBAKE_PLAY_AVR_STEPS PANELBAKE_PLAY_AVR_END PANELBAKE_PLAY_AVR_COPY
                     PANELBAKE_PLAY_AVR_BYTE PANELBAKE_PLAY_AVR_NUMBER PANELBAKE_PLAY_AVR_BIT
                     "20:\n"              /* the function's end, after its subroutines */
                     : "+x"(state), "+r"(first)
                     :
                     : "r0", "r16", "r17", "r18", "r19", "r20", "r21", "r24", "r25", "r30", "r31", "memory");
}

#undef PANELBAKE_PLAY_AVR_START
#undef PANELBAKE_PLAY_AVR_STEPS
#undef PANELBAKE_PLAY_AVR_END
#undef PANELBAKE_PLAY_AVR_COPY
#undef PANELBAKE_PLAY_AVR_BYTE
#undef PANELBAKE_PLAY_AVR_NUMBER
#undef PANELBAKE_PLAY_AVR_BIT
#else

/* The bits of a frame, read lowest first; past the stream's end, ones. */
struct panelbake_play_bits {
    const unsigned char *next, *end;
    unsigned int bits; /* the unread bits of the byte read last, above a marker bit */
};

PANELBAKE_PLAY_FUNCTION unsigned int panelbake_play_bit(struct panelbake_play_bits *in)
{
    unsigned int bit;
    if (in->bits <= 1)
        in->bits = (in->next < in->end ? PANELBAKE_PLAY_READ(in->next++) : 0xFFu) | 0x100u;
    bit = in->bits & 1;
    in->bits >>= 1;
    return bit;
}

/* A number, in 16 bits: one run over them wraps round. */
PANELBAKE_PLAY_FUNCTION unsigned int panelbake_play_number(struct panelbake_play_bits *in)
{
    unsigned int value = 1;
    while (!panelbake_play_bit(in))
        value = (value * 2 + panelbake_play_bit(in)) & 0xFFFFu;
    return value;
}

PANELBAKE_PLAY_FUNCTION void panelbake_play_frame(struct panelbake_player *player, unsigned char *buffer)
{
    const unsigned char *stream = player->stream;
    struct panelbake_play_bits in;
    unsigned int size, length, left, count, source, at, from, flip = 0, shift = 0;
    size = PANELBAKE_PLAY_READ(stream);
    size |= (unsigned int)PANELBAKE_PLAY_READ(stream + 1) << 8;
    length = PANELBAKE_PLAY_READ(stream + 2);
    length |= (unsigned int)PANELBAKE_PLAY_READ(stream + 3) << 8;
    in.end = stream + 4 + length;
    in.next = player->next;
    in.bits = player->bits;
    /* After the last frame, the first. */
    if (in.next >= in.end) {
        in.next = stream + 4;
        in.bits = 0;
    }
    /* A backward frame's i-th byte is buffer[(i ^ flip) + shift], which is size - 1 - i. */
    if (panelbake_play_bit(&in)) {
        flip = ~0u;
        shift = size;
    }
    for (left = size; left;) {
        count = panelbake_play_number(&in);
        if (count == 0 || count > left)
            break;
        at = size - left;
        left -= count;
        source = panelbake_play_number(&in);
        if (source == 1) {
            if (count > (unsigned int)(in.end - in.next))
                break;
            for (; count; --count, ++at)
                buffer[(at ^ flip) + shift] = PANELBAKE_PLAY_READ(in.next++);
            continue;
        }
        if (source == 2)
            continue; /* the bytes stay as they are */
        /* The bytes left from the source on, in 16 bits: a damaged number still names a
         * source within the frame, or ends it. */
        from = (source & 1 ? left + count + (source - 1) / 2 : left + count - (source - 2) / 2) & 0xFFFFu;
        if (from < count || from > size)
            break;
        for (from = size - from; count; --count, ++at, ++from)
            buffer[(at ^ flip) + shift] = buffer[(from ^ flip) + shift];
    }
    player->next = in.next;
    player->bits = (unsigned char)in.bits;
}

#endif

#endif
