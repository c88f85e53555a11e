/* Encoding and decoding of framed packets with escapes, a checksum and
   error handling through goto; byte order helpers. */
#include "corpus.h"

#define FRAME_START 0x7E
#define FRAME_ESCAPE 0x7D
#define ESCAPE_XOR 0x20
#define MAX_PAYLOAD 16
#define MAX_FRAME (2 * (MAX_PAYLOAD + 4) + 2)

#define STR(x) #x
#define FIELD(p, name) ((p)->hdr_##name)

typedef enum {
    PKT_OK = 0,
    PKT_SHORT,
    PKT_BAD_START,
    PKT_BAD_ESCAPE,
    PKT_TOO_LONG,
    PKT_BAD_SUM
} pkt_status;

typedef struct {
    u8 hdr_type;
    u8 hdr_seq;
    u8 length;
    u8 payload[MAX_PAYLOAD];
} packet_t;

static const char *const status_names[] = {
    STR(PKT_OK), STR(PKT_SHORT), STR(PKT_BAD_START), STR(PKT_BAD_ESCAPE), STR(PKT_TOO_LONG), STR(PKT_BAD_SUM)
};

static void put16(u8 *p, u16 v)
{
    p[0] = (u8)(v >> 8);
    p[1] = (u8)v;
}

static u16 get16(const u8 *p) { return (u16)((p[0] << 8) | p[1]); }

static u8 sum8(const u8 *p, size_t n)
{
    u8 s = 0;
    while (n--)
        s = (u8)(s + *p++);
    return (u8)(~s + 1);
}

static size_t put_escaped(u8 *out, u8 byte)
{
    if (byte == FRAME_START || byte == FRAME_ESCAPE) {
        out[0] = FRAME_ESCAPE;
        out[1] = (u8)(byte ^ ESCAPE_XOR);
        return 2;
    }
    out[0] = byte;
    return 1;
}

static size_t encode(const packet_t *p, u8 *frame)
{
    u8 raw[MAX_PAYLOAD + 4];
    size_t n = 0, out = 0, i;
    raw[n++] = FIELD(p, type);
    raw[n++] = FIELD(p, seq);
    raw[n++] = p->length;
    for (i = 0; i < p->length; i++)
        raw[n++] = p->payload[i];
    raw[n] = sum8(raw, n);
    n++;
    frame[out++] = FRAME_START;
    for (i = 0; i < n; i++)
        out += put_escaped(frame + out, raw[i]);
    frame[out++] = FRAME_START;
    return out;
}

static pkt_status decode(const u8 *frame, size_t n, packet_t *p)
{
    u8 raw[MAX_PAYLOAD + 4];
    size_t i, r = 0;
    pkt_status status = PKT_OK;

    if (n < 2) {
        status = PKT_SHORT;
        goto done;
    }
    if (frame[0] != FRAME_START || frame[n - 1] != FRAME_START) {
        status = PKT_BAD_START;
        goto done;
    }
    for (i = 1; i + 1 < n; i++) {
        u8 b = frame[i];
        if (b == FRAME_ESCAPE) {
            if (++i + 1 >= n) {
                status = PKT_BAD_ESCAPE;
                goto done;
            }
            b = (u8)(frame[i] ^ ESCAPE_XOR);
        }
        if (r >= sizeof raw) {
            status = PKT_TOO_LONG;
            goto done;
        }
        raw[r++] = b;
    }
    if (r < 4 || raw[2] != r - 4) {
        status = PKT_SHORT;
        goto done;
    }
    if (sum8(raw, r) != 0) {
        status = PKT_BAD_SUM;
        goto done;
    }
    FIELD(p, type) = raw[0];
    FIELD(p, seq) = raw[1];
    p->length = raw[2];
    for (i = 0; i < p->length; i++)
        p->payload[i] = raw[3 + i];
done:
    return status;
}

int packets_main(void)
{
    packet_t out, in;
    u8 frame[MAX_FRAME];
    size_t n;
    pkt_status s;
    int failures = 0;
    u8 i;

    memset(&out, 0, sizeof out);
    out.hdr_type = 0x21;
    out.hdr_seq = 7;
    out.length = 6;
    put16(out.payload, 0x7E7D);
    put16(out.payload + 2, 0x1234);
    put16(&out.payload[4], get16(out.payload + 2) ^ 0xFFFF);
    n = encode(&out, frame);
    s = decode(frame, n, &in);
    failures += s != PKT_OK;
    failures += in.length != out.length || in.hdr_seq != out.hdr_seq;
    for (i = 0; i < in.length; i++)
        failures += in.payload[i] != out.payload[i];
    frame[3] ^= 1;
    s = decode(frame, n, &in);
    failures += s != PKT_BAD_SUM;
    s = decode(frame, 1, &in);
    printf("frame %u bytes, last %s, failures %d\n", (unsigned)n, status_names[s], failures);
    return failures;
}
