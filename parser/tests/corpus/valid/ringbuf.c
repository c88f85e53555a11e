/* Ring buffers of bytes and of messages, with status bit-fields. */
#include "corpus.h"

#define RING_SIZE 16u
#define RING_MASK (RING_SIZE - 1u)
#define MSG_MAX 8

typedef struct {
    u8 data[RING_SIZE];
    volatile u8 head;
    volatile u8 tail;
    struct {
        unsigned overflow : 1;
        unsigned underflow : 1;
        unsigned busy : 1;
        unsigned count : 5;
    } status;
} ring_t;

typedef enum { MSG_NONE, MSG_DATA, MSG_ACK, MSG_NAK, MSG_RESET } msg_kind;

typedef struct message {
    msg_kind kind;
    u8 length;
    u8 body[4];
    u16 checksum;
} message_t;

typedef struct {
    message_t slots[MSG_MAX];
    u8 first;
    u8 used;
} msg_queue_t;

static ring_t rx, tx;
static msg_queue_t queue;
static u16 dropped;

static void ring_reset(ring_t *r)
{
    r->head = r->tail = 0;
    r->status.overflow = 0;
    r->status.underflow = 0;
    r->status.busy = 0;
    r->status.count = 0;
}

static bool_t ring_put(ring_t *r, u8 byte)
{
    u8 next = (u8)((r->head + 1u) & RING_MASK);
    if (next == r->tail) {
        r->status.overflow = 1;
        return FALSE;
    }
    r->data[r->head] = byte;
    r->head = next;
    r->status.count++;
    return TRUE;
}

static int ring_get(ring_t *r)
{
    u8 byte;
    if (r->head == r->tail) {
        r->status.underflow = 1;
        return -1;
    }
    byte = r->data[r->tail];
    r->tail = (u8)((r->tail + 1u) & RING_MASK);
    r->status.count--;
    return byte;
}

static u8 ring_count(const ring_t *r)
{
    return (u8)((r->head - r->tail) & RING_MASK);
}

static u16 checksum(const u8 *p, u8 n)
{
    u16 sum = 0xffffu;
    while (n--) {
        sum ^= *p++;
        sum = (u16)((sum << 1) | (sum >> 15));
    }
    return sum;
}

static message_t *queue_push(msg_queue_t *q)
{
    u8 index;
    if (q->used == MSG_MAX) {
        dropped++;
        return NULL;
    }
    index = (u8)((q->first + q->used) % MSG_MAX);
    q->used++;
    memset(&q->slots[index], 0, sizeof q->slots[index]);
    return &q->slots[index];
}

static bool_t queue_pop(msg_queue_t *q, message_t *out)
{
    if (q->used == 0)
        return FALSE;
    *out = q->slots[q->first];
    q->first = (u8)((q->first + 1) % MSG_MAX);
    q->used--;
    return TRUE;
}

/* Collects bytes from the receive ring into messages: kind, length, body. */
static void assemble(void)
{
    static u8 state = 0, need = 0, have = 0;
    static message_t current;
    message_t *slot;
    int c;

    while ((c = ring_get(&rx)) >= 0) {
        switch (state) {
        case 0:
            if (c > MSG_NONE && c <= MSG_RESET) {
                current.kind = (msg_kind)c;
                state = 1;
            }
            break;
        case 1:
            need = (u8)c;
            if (need > sizeof current.body)
                need = sizeof current.body;
            current.length = need;
            have = 0;
            state = need ? 2 : 3;
            if (state == 2)
                break;
            /* an empty body falls through to the check */
        case 3:
            current.checksum = checksum(current.body, current.length);
            slot = queue_push(&queue);
            if (slot != NULL)
                *slot = current;
            state = 0;
            break;
        case 2:
            current.body[have++] = (u8)c;
            if (have == need) {
                current.checksum = checksum(current.body, current.length);
                slot = queue_push(&queue);
                if (slot)
                    *slot = current;
                state = 0;
            }
            break;
        default:
            state = 0;
        }
    }
}

static void answer(const message_t *m)
{
    u8 i;
    switch (m->kind) {
    case MSG_DATA:
        ring_put(&tx, MSG_ACK);
        ring_put(&tx, 2);
        ring_put(&tx, (u8)(m->checksum >> 8));
        ring_put(&tx, (u8)m->checksum);
        break;
    case MSG_RESET:
        ring_reset(&rx);
        ring_reset(&tx);
        /* fall through */
    case MSG_ACK:
    case MSG_NAK:
        ring_put(&tx, (u8)m->kind);
        ring_put(&tx, 0);
        break;
    default:
        for (i = 0; i < m->length; i++)
            ring_put(&tx, m->body[i]);
    }
}

int ringbuf_main(void)
{
    static const u8 input[] = {
        MSG_DATA, 3, 'a', 'b', 'c',
        MSG_ACK, 0,
        MSG_DATA, 9, 1, 2, 3, 4,
        7, 7,
        MSG_NAK, 0,
    };
    message_t m;
    unsigned i, answered = 0;

    ring_reset(&rx);
    ring_reset(&tx);
    for (i = 0; i < sizeof input; i++) {
        if (!ring_put(&rx, input[i])) {
            assemble();
            i--;
        }
    }
    assemble();
    while (queue_pop(&queue, &m)) {
        answer(&m);
        answered++;
    }
    printf("answered %u pending %u dropped %u\n", answered, (unsigned)ring_count(&tx), dropped);
    return (int)answered;
}
