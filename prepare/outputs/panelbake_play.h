/* SPDX-License-Identifier: MIT
 *
 * panelbake_play.h: plays the compressed frames that panelbake-prepare --compress writes,
 * straight into a display buffer. Plain C (C89 or later, and C++), no allocation: the
 * player's state is the struct below, two pointers (4 bytes on AVR) that the caller owns.
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
 * On AVR the stream is read from program memory with pgm_read_byte; elsewhere from plain
 * memory. PANELBAKE_PLAY_MEMORY is where the stream lies for that read (PROGMEM on AVR,
 * nothing elsewhere): a frames header written without -pgm and -pic30 includes this header
 * and declares its stream with it, so the stream is always where the player reads it.
 * Define PANELBAKE_PLAY_READ(p), the byte at p, before including this header to read it
 * some other way, and PANELBAKE_PLAY_MEMORY where that reads, if anywhere special.
 *
 * The stream: a header of three little-endian 16-bit numbers (the bytes of one frame, the
 * number of frames, the bytes of the whole stream), then the frames, each starting on a
 * byte of its own. Frames are read as bits, lowest bit of a byte first, into numbers of
 * one or more: a 1 ends a number, a 0 is followed by its next binary digit after a leading
 * 1 (1 is "1", 2 is "001", 3 is "011", 4 is "00001"). A frame's first number is its
 * direction (1: from its first byte to its last, 2: from the last to the first); then each
 * step is two numbers, a count and a source. Source 1: that many bytes follow in the stream
 * (taken whole, after the bits read so far). Source s of 2 or more: that many bytes are
 * copied from the buffer, starting d bytes further on in the direction of the frame, where
 * d is (s - 2) / 2 for an even s - 2 and -(s - 1) / 2 for an odd one; d = 0 keeps bytes of
 * the frame before, d < 0 repeats bytes of this frame, d > 0 moves bytes of the frame before.
 * The player reads nothing beyond the length its header declares and writes nothing
 * beyond the frame size: a damaged stream gives damaged pictures, never a stray access.
 */
#ifndef PANELBAKE_PLAY_H
#define PANELBAKE_PLAY_H

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
    const unsigned char *next;   /* the frame to play next; the header before the first */
};

PANELBAKE_PLAY_FUNCTION void panelbake_play_start(struct panelbake_player *player, const unsigned char *stream)
{
    player->stream = player->next = stream;
}

PANELBAKE_PLAY_FUNCTION void panelbake_play_frame(struct panelbake_player *player, unsigned char *buffer)
{
    const unsigned char *stream = player->stream, *next = player->next, *end;
    unsigned int size, at = 0, count = 0, v;
    unsigned char *to, *from;
    signed char step = 1;
    /* A backward frame's i-th byte is buffer[(i ^ flip) + shift], which is size - 1 - i. */
    unsigned int flip = 0, shift = 0;
    /* bits holds the unread bits of the byte read last, above a marker bit; phase says what
     * the number read next is: 0 the direction, 1 a count, 2 a source. */
    unsigned int bits = 1;
    unsigned char bit, digit, phase = 0;
    size = PANELBAKE_PLAY_READ(stream) | (unsigned int)PANELBAKE_PLAY_READ(stream + 1) << 8;
    end = stream + (PANELBAKE_PLAY_READ(stream + 4) | (unsigned int)PANELBAKE_PLAY_READ(stream + 5) << 8);
    /* After the last frame, the first; a length shorter than the header leaves none. */
    if (next >= end || next == stream)
        next = stream + 6;
    if (end < next)
        end = next;
    while (at < size) {
        v = 1;
        digit = 0;
        for (;;) {
            if (bits == 1)
                bits = (next < end ? PANELBAKE_PLAY_READ(next++) : 0xFF) | 0x100u;
            bit = bits & 1;
            bits >>= 1;
            if (digit)
                v += v + bit;
            else if (bit)
                break;
            digit ^= 1;
        }
        if (phase != 2) {
            if (phase == 0 && v == 2) {
                flip = ~0u;
                shift = size;
                step = -1;
            }
            count = v;
            phase = phase + 1;
            continue;
        }
        phase = 1;
        /* A count of 0 (a number run over 16 bits) ends the frame as one too large does. */
        if (count - 1 >= size - at)
            break;
        to = buffer + ((at ^ flip) + shift);
        if (v == 1) {
            if (count > (unsigned int)(end - next))
                break;
            at += count;
            for (;;) {
                *to = PANELBAKE_PLAY_READ(next++);
                if (!--count)
                    break;
                to += step;
            }
            continue;
        }
        v -= 2;
        v = at + (v & 1 ? ~(v >> 1) : v >> 1);
        if (v >= size || count > size - v)
            break;
        at += count;
        from = buffer + ((v ^ flip) + shift);
        if (from == to)
            continue; /* the bytes stay as they are */
        for (;;) {
            *to = *from;
            if (!--count)
                break;
            to += step;
            from += step;
        }
    }
    player->next = next;
}

#endif
