/* What a csmith program needs around it, for a 16-bit-int target with no
   output: the exact-width types, the safe arithmetic of csmith's own
   header (its integer part, cut out by scripts/csmith), and a checksum of
   the program's globals left in the volatile object csmith_checksum. On
   the reference (avr-gcc in simavr) the checksum is also written to the
   UART, which simavr prints. */
#ifndef CSMITH_H
#define CSMITH_H

#include <stdint.h>
#include <limits.h>

#define STATIC static
#define UNDEFINED(v) (v)
#define LOG_INDEX
#define LOG_EXEC
#define FUNC_NAME(x) (safe_##x)
#include "safe_math.h"
#undef FUNC_NAME

volatile uint32_t csmith_checksum;
static uint32_t crc32_context = 0xFFFFFFFFUL;

static void crc32_gentab(void)
{
}

static void platform_main_begin(void)
{
}

static void csmith_crc_byte(uint8_t b)
{
  int k;
  crc32_context ^= b;
  for (k = 0; k < 8; k++) {
    if (crc32_context & 1)
      crc32_context = (crc32_context >> 1) ^ 0xEDB88320UL;
    else
      crc32_context >>= 1;
  }
}

static void csmith_crc(uint32_t v)
{
  csmith_crc_byte((uint8_t)v);
  csmith_crc_byte((uint8_t)(v >> 8));
  csmith_crc_byte((uint8_t)(v >> 16));
  csmith_crc_byte((uint8_t)(v >> 24));
}

#define transparent_crc(v, name, flag) csmith_crc((uint32_t)(v))

static void transparent_crc_bytes(char *p, int n, char *name, int flag)
{
  int i;
  for (i = 0; i < n; i++)
    csmith_crc_byte((uint8_t)p[i]);
}

#ifdef __AVR__
#include <avr/io.h>
#include <avr/interrupt.h>
#include <avr/sleep.h>

static void csmith_put(char c)
{
  while (!(UCSR0A & (1 << UDRE0)))
    continue;
  UDR0 = c;
}

static void platform_main_end(uint32_t crc, int flag)
{
  int i;
  csmith_checksum = crc;
  UCSR0B = 1 << TXEN0;
  csmith_put('=');
  for (i = 28; i >= 0; i -= 4)
    csmith_put("0123456789abcdef"[(crc >> i) & 15]);
  csmith_put('\n');
  cli();
  sleep_mode();
}
#else
/* The watchdog of the erased configuration resets the chip after some 11.5
   million cycles in gpsim, and some programs run longer. */
#pragma config WDT = OFF

/* Where the simulator stops: it is reached only once the checksum is in
   place. */
void csmith_done(void)
{
  for (;;)
    continue;
}

static void platform_main_end(uint32_t crc, int flag)
{
  csmith_checksum = crc;
  csmith_done();
}
#endif

#endif
