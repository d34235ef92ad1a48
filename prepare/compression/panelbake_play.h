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

/* The frame in AVR assembly, as the C below plays it; never inlined, so that its code is
 * there once however many calls there are. Registers: r1 the unread bits above a marker
 * bit (from the state, 0 for the first frame; the compiler keeps 0 in it, as on entry and
 * again on return), T the direction, Z the stream, r18:19 its end, r20:21 the frame's
 * bytes, r22:23 the bytes left, r24:25 a step's count less one, Y the byte to write, X
 * numbers and the byte to copy from. n bytes left name the byte buffer[size - n] forward,
 * buffer[n - 1] backward: 6: makes that address of X with r16:17 (buffer + size forward,
 * buffer backward); 7: reads a number into X; 8: a bit into the carry. */
__attribute__((noinline)) PANELBAKE_PLAY_FUNCTION void panelbake_play_frame(struct panelbake_player *player,
                                                                            unsigned char *buffer)
{
    register struct panelbake_player *state __asm__("r26") = player;
    register unsigned char *first __asm__("r22") = buffer;
    __asm__ volatile(
        "    push r28\n"
        "    push r29\n"
        "    ld r30, X+\n"        /* Z: the stream's header */
        "    ld r31, X+\n"
        "    ld r24, X+\n"        /* r24:25: the byte to read next */
        "    ld r25, X+\n"
        "    push r26\n"
        "    push r27\n"
        "    lpm r20, Z+\n"
        "    lpm r21, Z+\n"
        "    lpm r18, Z+\n"
        "    lpm r19, Z+\n"
        "    add r18, r30\n"
        "    adc r19, r31\n"
        "    cp r24, r18\n"
        "    cpc r25, r19\n"
        "    brsh 1f\n"           /* after the last frame, the first, which Z points to */
        "    movw r30, r24\n"
        "    ld r1, X\n"
        "1:  rcall 8f\n"
        "    rol r0\n"
        "    bst r0, 0\n"
        "    movw r16, r22\n"     /* backward: n bytes left name buffer[n - 1] */
        "    brts 2f\n"
        "    add r16, r20\n"      /* forward: buffer[size - n] */
        "    adc r17, r21\n"
        "2:  movw r22, r20\n"
        "3:  movw r26, r22\n"     /* Y: the byte to write (again after a keep) */
        "    rcall 6f\n"
        "    movw r28, r26\n"
        "4:  mov r0, r22\n"       /* each step */
        "    or r0, r23\n"
        "    breq 9f\n"
        "    rcall 7f\n"
        "    movw r24, r26\n"
        "    sbiw r24, 1\n"
        "    sec\n"
        "    sbc r22, r24\n"
        "    sbc r23, r25\n"
        "    brcs 9f\n"           /* more bytes than are left, or 0 (a number run over 16 bits) */
        "    rcall 7f\n"
        "    sbiw r26, 1\n"
        "    brne 5f\n"
        "    movw r26, r18\n"     /* bytes from the stream, as many as it holds */
        "    sub r26, r30\n"
        "    sbc r27, r31\n"
        "    cp r24, r26\n"
        "    cpc r25, r27\n"
        "    brsh 9f\n"
        "10: lpm r0, Z+\n"
        "    st Y+, r0\n"
        "    brtc 11f\n"
        "    sbiw r28, 2\n"
        "11: sbiw r24, 1\n"
        "    brcc 10b\n"
        "    rjmp 4b\n"
        "9:  pop r27\n"
        "    pop r26\n"
        "    st X, r1\n"
        "    st -X, r31\n"
        "    st -X, r30\n"
        "    pop r29\n"
        "    pop r28\n"
        "    clr r1\n"
        "    rjmp 20f\n"
        "5:  lsr r27\n"           /* a copy: X = (s - 1) / 2, the carry set for d >= 0 */
        "    ror r26\n"
        "    brcc 12f\n"
        "    adiw r26, 0\n"
        "    breq 3b\n"           /* d = 0 keeps the bytes */
        "    com r27\n"
        "    neg r26\n"
        "    sbci r27, -1\n"
        "12: sec\n"               /* X = -d: the bytes left from the source on, left + count - d */
        "    adc r26, r24\n"
        "    adc r27, r25\n"
        "    add r26, r22\n"
        "    adc r27, r23\n"
        "    cp r24, r26\n"
        "    cpc r25, r27\n"
        "    brsh 9b\n"           /* a source that runs on past the frame's end */
        "    cp r20, r26\n"
        "    cpc r21, r27\n"
        "    brlo 9b\n"           /* or starts before its first byte */
        "    rcall 6f\n"
        "13: ld r0, X+\n"
        "    st Y+, r0\n"
        "    brtc 14f\n"
        "    sbiw r26, 2\n"
        "    sbiw r28, 2\n"
        "14: sbiw r24, 1\n"
        "    brcc 13b\n"
        "    rjmp 4b\n"
        "6:  sbiw r26, 1\n"       /* X: the byte that X bytes left name */
        "    brts 15f\n"
        "    com r26\n"
        "    com r27\n"
        "15: add r26, r16\n"
        "    adc r27, r17\n"
        "    ret\n"
        "7:  ldi r26, 1\n"        /* X: a number */
        "    ldi r27, 0\n"
        "16: rcall 8f\n"
        "    brcs 17f\n"
        "    rcall 8f\n"
        "    rol r26\n"
        "    rol r27\n"
        "    rjmp 16b\n"
        "17: ret\n"
        "8:  lsr r1\n"            /* the carry: a bit */
        "    brne 18f\n"
        "    com r1\n"            /* past the stream's end, ones */
        "    cp r30, r18\n"
        "    cpc r31, r19\n"
        "    brsh 19f\n"
        "    lpm r1, Z+\n"
        "19: sec\n"
        "    ror r1\n"
        "18: ret\n"
        "20:\n"
        : "+x"(state), "+r"(first)
        :
        : "r0", "r16", "r17", "r18", "r19", "r20", "r21", "r24", "r25", "r30", "r31", "memory");
}

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
