/* A cooperative scheduler: tasks in a binary heap ordered by wake time and
   priority, with messages passed through mailboxes. */
#include "corpus.h"

#define MAX_TASKS 8
#define MAILBOX 4

struct task;
typedef u16 (*task_fn)(struct task *self, u16 now);

typedef struct mailbox {
    s16 items[MAILBOX];
    u8 count;
} mailbox_t;

typedef struct task {
    const char *name;
    task_fn run;
    u16 wake;
    u8 priority;
    u8 id;
    u16 runs;
    mailbox_t inbox;
    struct task *peer;
} task_t;

static task_t tasks[MAX_TASKS];
static task_t *heap[MAX_TASKS];
static u8 heap_size, task_count;
static u16 clock_now;

static int earlier(const task_t *a, const task_t *b)
{
    if (a->wake != b->wake)
        return a->wake < b->wake;
    return a->priority > b->priority;
}

static void heap_swap(u8 i, u8 j)
{
    task_t *t = heap[i];
    heap[i] = heap[j];
    heap[j] = t;
}

static void heap_push(task_t *t)
{
    u8 i = heap_size++;
    heap[i] = t;
    while (i > 0) {
        u8 parent = (u8)((i - 1) / 2);
        if (!earlier(heap[i], heap[parent]))
            break;
        heap_swap(i, parent);
        i = parent;
    }
}

static task_t *heap_pop(void)
{
    task_t *top;
    u8 i = 0;
    if (heap_size == 0)
        return NULL;
    top = heap[0];
    heap[0] = heap[--heap_size];
    for (;;) {
        u8 left = (u8)(2 * i + 1), right = (u8)(left + 1), best = i;
        if (left < heap_size && earlier(heap[left], heap[best]))
            best = left;
        if (right < heap_size && earlier(heap[right], heap[best]))
            best = right;
        if (best == i)
            break;
        heap_swap(i, best);
        i = best;
    }
    return top;
}

static int post(task_t *to, s16 value)
{
    if (to == NULL || to->inbox.count >= MAILBOX)
        return 0;
    to->inbox.items[to->inbox.count++] = value;
    return 1;
}

static int take(task_t *self, s16 *value)
{
    u8 i;
    if (self->inbox.count == 0)
        return 0;
    *value = self->inbox.items[0];
    for (i = 1; i < self->inbox.count; i++)
        self->inbox.items[i - 1] = self->inbox.items[i];
    self->inbox.count--;
    return 1;
}

static u16 producer(task_t *self, u16 now)
{
    post(self->peer, (s16)(now & 0xFF));
    return now + 5;
}

static u16 consumer(task_t *self, u16 now)
{
    s16 v;
    s32 sum = 0;
    while (take(self, &v))
        sum += v;
    if (sum > 100)
        post(self->peer, -1);
    return now + 7;
}

static u16 watchdog(task_t *self, u16 now)
{
    s16 v;
    u16 next = now + 20;
    if (take(self, &v) && v < 0)
        next = now + 1;
    return next;
}

static task_t *spawn(const char *name, task_fn fn, u8 priority, u16 wake)
{
    task_t *t;
    if (task_count >= MAX_TASKS)
        return NULL;
    t = &tasks[task_count];
    t->name = name;
    t->run = fn;
    t->priority = priority;
    t->wake = wake;
    t->id = task_count++;
    t->runs = 0;
    t->inbox.count = 0;
    t->peer = NULL;
    heap_push(t);
    return t;
}

int scheduler_main(void)
{
    task_t *p = spawn("producer", producer, 1, 0);
    task_t *c = spawn("consumer", consumer, 2, 3);
    task_t *w = spawn("watchdog", watchdog, 3, 10);
    task_t *t;
    unsigned i;

    if (!p || !c || !w)
        return -1;
    p->peer = c;
    c->peer = w;
    w->peer = NULL;
    while ((t = heap_pop()) != NULL && clock_now < 200) {
        clock_now = t->wake;
        t->wake = t->run(t, clock_now);
        t->runs++;
        heap_push(t);
    }
    for (i = 0; i < task_count; i++)
        printf("%s ran %u times\n", tasks[i].name, tasks[i].runs);
    return tasks[0].runs + tasks[1].runs;
}
