/* Peripheral registers as bit-field unions at fixed addresses, a timer
   queue and interrupt-style flags. */
#include "corpus.h"

#define PORTB_ADDRESS 0xF81
#define USE_TIMER 1
#if defined(USE_TIMER) && USE_TIMER > 0
#define TIMER_TICKS 40u
#else
#define TIMER_TICKS 0u
#endif

typedef union {
    u8 byte;
    struct {
        unsigned rb0 : 1;
        unsigned rb1 : 1;
        unsigned rb2 : 1;
        unsigned rb3 : 1;
        unsigned high : 4;
    } bits;
} port_t;

typedef union {
    u16 word;
    u8 bytes[2];
    struct {
        unsigned prescale : 3;
        unsigned enable : 1;
        unsigned mode : 2;
        unsigned : 2;
        unsigned reload : 8;
    } fields;
} timer_ctl_t;

struct timer {
    u16 remaining;
    u16 period;
    void (*expired)(struct timer *t);
    struct timer *next;
    unsigned armed : 1;
    unsigned periodic : 1;
};

#define PORTB (*(volatile port_t *)PORTB_ADDRESS)

static volatile u8 shadow_port;
static timer_ctl_t ctl;
static struct timer timers[4];
static struct timer *active;
static u16 fired;
static u8 led_state;

static void toggle_led(struct timer *t)
{
    led_state ^= 1;
    fired++;
    (void)t;
}

static void count_only(struct timer *t)
{
    fired += t->period > 10 ? 2 : 1;
}

static void timer_start(struct timer *t, u16 period, int periodic, void (*fn)(struct timer *))
{
    struct timer **pp = &active;
    t->period = period;
    t->remaining = period;
    t->periodic = periodic != 0;
    t->expired = fn;
    t->armed = 1;
    while (*pp != NULL && (*pp)->remaining <= period)
        pp = &(*pp)->next;
    t->next = *pp;
    *pp = t;
}

static void timer_tick(void)
{
    struct timer *t = active, *done = NULL;
    while (t != NULL) {
        struct timer *next = t->next;
        if (t->remaining && --t->remaining == 0) {
            t->expired(t);
            if (t->periodic)
                t->remaining = t->period;
            else {
                t->armed = 0;
                t->next = done;
                done = t;
            }
        }
        t = next;
    }
    /* drop the finished one-shot timers from the active list */
    {
        struct timer **pp = &active;
        while (*pp) {
            if (!(*pp)->armed)
                *pp = (*pp)->next;
            else
                pp = &(*pp)->next;
        }
    }
    (void)done;
}

static void configure(void)
{
    ctl.word = 0;
    ctl.fields.prescale = 5;
    ctl.fields.enable = 1;
    ctl.fields.mode = 2;
    ctl.fields.reload = (u8)TIMER_TICKS;
    shadow_port = ctl.bytes[0];
}

static u8 read_inputs(port_t p)
{
    u8 n = 0;
    n += p.bits.rb0;
    n += p.bits.rb1;
    n += p.bits.rb2 + p.bits.rb3;
    return (u8)(n | (p.bits.high << 4));
}

int registers_main(void)
{
    port_t sample;
    u16 tick;
    configure();
    timer_start(&timers[0], 3, 1, toggle_led);
    timer_start(&timers[1], 7, 0, count_only);
    timer_start(&timers[2], 12, 1, count_only);
    for (tick = 0; tick < TIMER_TICKS; tick++)
        timer_tick();
    sample.byte = 0xA5;
    if (shadow_port == 0)
        PORTB.byte = sample.byte;
    printf("fired %u led %u inputs %u ctl %04x\n", fired, (unsigned)led_state,
           (unsigned)read_inputs(sample), ctl.word);
    return (int)fired;
}
