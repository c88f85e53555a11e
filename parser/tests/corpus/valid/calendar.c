/* Dates and times: day numbers, weekdays, an event log with kinds in a
   union, and formatted output through a table of month names. */
#include "corpus.h"

#define EPOCH_YEAR 2000
#define LOG_SIZE 10

typedef struct {
    u16 year;
    u8 month;   /* 1..12 */
    u8 day;     /* 1..31 */
} date_t;

typedef struct {
    u8 hour, minute, second;
} clock_time_t;

typedef enum { EVT_BOOT, EVT_ALARM, EVT_READING, EVT_ERROR } event_kind;

typedef struct {
    event_kind kind;
    date_t date;
    clock_time_t time;
    union {
        struct {
            u8 reason;
        } boot;
        struct {
            u8 zone;
            unsigned armed : 1;
            unsigned silenced : 1;
        } alarm;
        struct {
            s16 celsius_x10;
            u16 humidity;
        } reading;
        long error_code;
    } u;
} event_t;

static const char *const month_names[12] = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"
};
static const u8 month_days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
static const char weekday_letters[] = "MTWTFSS";

static event_t log_entries[LOG_SIZE];
static u8 log_count, log_first;

static int is_leap(u16 y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

static u8 days_in(u16 year, u8 month)
{
    if (month == 2 && is_leap(year))
        return 29;
    return month_days[month - 1];
}

static int valid(const date_t *d)
{
    return d->year >= EPOCH_YEAR && d->month >= 1 && d->month <= 12 && d->day >= 1 &&
           d->day <= days_in(d->year, d->month);
}

/* Days since 2000-01-01 (a Saturday). */
static u32 day_number(const date_t *d)
{
    u32 n = 0;
    u16 y;
    u8 m;
    for (y = EPOCH_YEAR; y < d->year; y++)
        n += is_leap(y) ? 366u : 365u;
    for (m = 1; m < d->month; m++)
        n += days_in(d->year, m);
    return n + d->day - 1;
}

static date_t from_day_number(u32 n)
{
    date_t d;
    d.year = EPOCH_YEAR;
    for (;;) {
        u16 len = is_leap(d.year) ? 366 : 365;
        if (n < len)
            break;
        n -= len;
        d.year++;
    }
    for (d.month = 1; n >= days_in(d.year, d.month); d.month++)
        n -= days_in(d.year, d.month);
    d.day = (u8)(n + 1);
    return d;
}

static char weekday(const date_t *d)
{
    /* 2000-01-01 was a Saturday: index 5 from Monday */
    return weekday_letters[(day_number(d) + 5) % 7];
}

static u32 seconds_of(const clock_time_t *t)
{
    return (u32)t->hour * 3600UL + (u32)t->minute * 60u + t->second;
}

static void log_add(const event_t *e)
{
    u8 slot;
    if (log_count < LOG_SIZE) {
        slot = (u8)((log_first + log_count) % LOG_SIZE);
        log_count++;
    } else {
        slot = log_first;
        log_first = (u8)((log_first + 1) % LOG_SIZE);
    }
    log_entries[slot] = *e;
}

static void describe(const event_t *e)
{
    printf("%u %s %02u %c %02u:%02u ", (unsigned)e->date.day, month_names[e->date.month - 1],
           (unsigned)(e->date.year % 100), weekday(&e->date), (unsigned)e->time.hour,
           (unsigned)e->time.minute);
    switch (e->kind) {
    case EVT_BOOT:
        printf("boot (%u)\n", (unsigned)e->u.boot.reason);
        break;
    case EVT_ALARM:
        printf("alarm zone %u%s\n", (unsigned)e->u.alarm.zone, e->u.alarm.silenced ? " silenced" : "");
        break;
    case EVT_READING:
        printf("%d.%d C %u%%\n", e->u.reading.celsius_x10 / 10, e->u.reading.celsius_x10 % 10,
               e->u.reading.humidity);
        break;
    default:
        printf("error %ld\n", e->u.error_code);
    }
}

int calendar_main(void)
{
    event_t e;
    date_t d = { 2024, 2, 28 }, next;
    u32 n;
    u8 i;
    long span;

    if (!valid(&d))
        return -1;
    n = day_number(&d);
    next = from_day_number(n + 1);
    memset(&e, 0, sizeof e);
    e.kind = EVT_BOOT;
    e.date = d;
    e.u.boot.reason = 3;
    log_add(&e);
    e.kind = EVT_READING;
    e.date = next;
    e.time.hour = 13;
    e.u.reading.celsius_x10 = 215;
    e.u.reading.humidity = 40;
    log_add(&e);
    for (i = 0; i < 12; i++) {
        e.kind = (i & 1) ? EVT_ALARM : EVT_ERROR;
        e.time.minute = (u8)(i * 5);
        if (e.kind == EVT_ALARM) {
            e.u.alarm.zone = i;
            e.u.alarm.silenced = i > 6;
        } else {
            e.u.error_code = -1000L * i;
        }
        log_add(&e);
    }
    for (i = 0; i < log_count; i++)
        describe(&log_entries[(log_first + i) % LOG_SIZE]);
    span = (long)seconds_of(&log_entries[(log_first + log_count - 1) % LOG_SIZE].time) -
           (long)seconds_of(&log_entries[log_first].time);
    printf("next day %u/%u, span %ld s\n", (unsigned)next.day, (unsigned)next.month, span);
    return next.day == 29 ? (int)log_count : -1;
}
