/* CRC-8, CRC-16/CCITT and CRC-32 by bit and by table, with self checks. */
#include "corpus.h"

#define CRC8_POLY 0x07u
#define CRC16_POLY 0x1021u
#define CRC32_POLY 0xEDB88320UL

static u8 crc8_table[256];
static u16 crc16_table[256];
static u32 crc32_table[16];
static bool_t tables_ready;

static u8 crc8_bitwise(const u8 *p, size_t n)
{
    u8 crc = 0;
    u8 nbit;
    while (n-- > 0) {
        crc ^= *p++;
        for (nbit = 0; nbit < 8; nbit++)
            crc = (u8)((crc & 0x80u) ? (crc << 1) ^ CRC8_POLY : crc << 1);
    }
    return crc;
}

static u16 crc16_bitwise(const u8 *p, size_t n)
{
    u16 crc = 0xFFFFu;
    int nbit;
    for (; n != 0; n--, p++) {
        crc ^= (u16)(*p << 8);
        for (nbit = 8; nbit > 0; --nbit) {
            if (crc & 0x8000u)
                crc = (u16)((crc << 1) ^ CRC16_POLY);
            else
                crc <<= 1;
        }
    }
    return crc;
}

static u32 crc32_bitwise(const u8 *p, size_t n)
{
    u32 crc = 0xFFFFFFFFUL;
    unsigned k;
    while (n--) {
        crc ^= *p++;
        for (k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (CRC32_POLY & (0UL - (crc & 1UL)));
    }
    return ~crc;
}

static void make_tables(void)
{
    unsigned i, nbit;
    for (i = 0; i < 256; i++) {
        u8 c8 = (u8)i;
        u16 c16 = (u16)(i << 8);
        for (nbit = 0; nbit < 8; nbit++) {
            c8 = (u8)((c8 & 0x80u) ? (c8 << 1) ^ CRC8_POLY : c8 << 1);
            c16 = (u16)((c16 & 0x8000u) ? (c16 << 1) ^ CRC16_POLY : c16 << 1);
        }
        crc8_table[i] = c8;
        crc16_table[i] = c16;
    }
    for (i = 0; i < 16; i++) {
        u32 c = i;
        for (nbit = 0; nbit < 4; nbit++)
            c = (c & 1) ? (c >> 1) ^ CRC32_POLY : c >> 1;
        crc32_table[i] = c;
    }
    tables_ready = TRUE;
}

static u8 crc8_table_driven(const u8 *p, size_t n)
{
    u8 crc = 0;
    while (n--)
        crc = crc8_table[crc ^ *p++];
    return crc;
}

static u16 crc16_table_driven(const u8 *p, size_t n)
{
    u16 crc = 0xFFFFu;
    while (n--)
        crc = (u16)((crc << 8) ^ crc16_table[(u8)((crc >> 8) ^ *p++)]);
    return crc;
}

static u32 crc32_nibbles(const u8 *p, size_t n)
{
    u32 crc = ~0UL;
    while (n--) {
        crc ^= *p++;
        crc = (crc >> 4) ^ crc32_table[crc & 15];
        crc = (crc >> 4) ^ crc32_table[crc & 0x0F];
    }
    return crc ^ 0xFFFFFFFFUL;
}

struct check {
    const char *text;
    u8 crc8;
    u16 crc16;
    u32 crc32;
};

static const struct check checks[] = {
    { "123456789", 0xF4, 0x29B1, 0xCBF43926UL },
    { "", 0x00, 0xFFFF, 0x00000000UL },
    { "a", 0x20, 0x9D77, 0xE8B7BE43UL },
};

static size_t length(const char *s)
{
    const char *e = s;
    while (*e)
        e++;
    return (size_t)(e - s);
}

int crc_main(void)
{
    unsigned i, failures = 0;
    if (!tables_ready)
        make_tables();
    for (i = 0; i < sizeof checks / sizeof checks[0]; i++) {
        const u8 *p = (const u8 *)checks[i].text;
        size_t n = length(checks[i].text);
        u8 a8 = crc8_bitwise(p, n), b8 = crc8_table_driven(p, n);
        u16 a16 = crc16_bitwise(p, n), b16 = crc16_table_driven(p, n);
        u32 a32 = crc32_bitwise(p, n), b32 = crc32_nibbles(p, n);
        if (a8 != b8 || a8 != checks[i].crc8)
            failures++;
        if (a16 != b16 || a16 != checks[i].crc16)
            failures++;
        if (a32 != b32 || a32 != checks[i].crc32)
            failures++;
        printf("%s: %02x %04x %08lx\n", checks[i].text, (unsigned)a8, a16, a32);
    }
    return (int)failures;
}
