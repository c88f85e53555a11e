/* A table-driven state machine for a traffic light with pedestrian calls. */
#include "corpus.h"

typedef enum {
    ST_RED,
    ST_RED_AMBER,
    ST_GREEN,
    ST_AMBER,
    ST_WALK,
    ST_FLASH,
    ST_COUNT
} state_t;

typedef enum { EV_TICK, EV_BUTTON, EV_FAULT, EV_CLEAR, EV_COUNT } event_t;

struct machine;
typedef state_t (*handler_t)(struct machine *m, event_t ev);

typedef struct transition {
    state_t from;
    event_t on;
    state_t to;
    u8 delay;
} transition_t;

struct machine {
    state_t state;
    u8 timer;
    u8 faults;
    unsigned button_pending : 1;
    unsigned lamp_red : 1, lamp_amber : 1, lamp_green : 1, lamp_walk : 1;
    u16 ticks;
    const transition_t *last;
};

static const transition_t table[] = {
    { ST_RED, EV_TICK, ST_RED_AMBER, 3 },
    { ST_RED_AMBER, EV_TICK, ST_GREEN, 1 },
    { ST_GREEN, EV_TICK, ST_AMBER, 6 },
    { ST_GREEN, EV_BUTTON, ST_AMBER, 1 },
    { ST_AMBER, EV_TICK, ST_RED, 2 },
    { ST_WALK, EV_TICK, ST_RED, 4 },
    { ST_FLASH, EV_CLEAR, ST_RED, 0 },
};

static const char *const names[ST_COUNT] = { "red", "red+amber", "green", "amber", "walk", "flash" };

static void set_lamps(struct machine *m)
{
    m->lamp_red = m->state == ST_RED || m->state == ST_RED_AMBER || m->state == ST_WALK;
    m->lamp_amber = m->state == ST_RED_AMBER || m->state == ST_AMBER || (m->state == ST_FLASH && (m->ticks & 1));
    m->lamp_green = m->state == ST_GREEN;
    m->lamp_walk = m->state == ST_WALK;
}

static state_t on_default(struct machine *m, event_t ev)
{
    unsigned i;
    for (i = 0; i < sizeof table / sizeof *table; i++) {
        const transition_t *t = &table[i];
        if (t->from == m->state && t->on == ev) {
            if (ev == EV_TICK && m->timer != 0) {
                m->timer--;
                return m->state;
            }
            m->timer = t->delay;
            m->last = t;
            return t->to;
        }
    }
    return m->state;
}

static state_t on_red(struct machine *m, event_t ev)
{
    if (ev == EV_BUTTON) {
        m->button_pending = 1;
        return m->state;
    }
    if (ev == EV_TICK && m->button_pending && m->timer == 0) {
        m->button_pending = 0;
        m->timer = 5;
        return ST_WALK;
    }
    return on_default(m, ev);
}

static state_t on_fault(struct machine *m, event_t ev)
{
    if (ev == EV_FAULT) {
        if (++m->faults > 3)
            m->faults = 3;
        return ST_FLASH;
    }
    return on_default(m, ev);
}

static const handler_t handlers[ST_COUNT] = {
    on_red, on_default, on_default, on_default, on_default, on_fault
};

static void dispatch(struct machine *m, event_t ev)
{
    state_t before = m->state, after;
    handler_t h;
    if (ev >= EV_COUNT)
        return;
    h = ev == EV_FAULT ? on_fault : handlers[m->state];
    after = (*h)(m, ev);
    if (after != before) {
        m->state = after;
        printf("%s -> %s\n", names[before], names[after]);
    }
    m->ticks += ev == EV_TICK;
    set_lamps(m);
}

int statemachine_main(void)
{
    static const event_t script[] = {
        EV_TICK, EV_TICK, EV_TICK, EV_TICK, EV_TICK, EV_BUTTON, EV_TICK, EV_TICK,
        EV_TICK, EV_BUTTON, EV_TICK, EV_TICK, EV_TICK, EV_TICK, EV_TICK, EV_TICK,
        EV_FAULT, EV_TICK, EV_TICK, EV_CLEAR, EV_TICK
    };
    struct machine m;
    const event_t *e;
    int changes = 0;
    state_t prev;

    memset(&m, 0, sizeof m);
    m.state = ST_RED;
    m.timer = 2;
    set_lamps(&m);
    for (e = script; e < script + COUNT_OF(script); e++) {
        prev = m.state;
        dispatch(&m, *e);
        if (m.state != prev)
            changes++;
    }
    return changes * 16 + m.faults + (m.lamp_red ? 100 : 0);
}
