/* Linked lists in a fixed pool, merge sort, searches and callbacks. */
#include "corpus.h"

#define POOL_SIZE 32

typedef struct node {
    struct node *next;
    struct node *prev;
    s16 key;
    u8 tag;
    unsigned used : 1;
    unsigned marked : 1;
} node_t;

typedef struct {
    node_t *head;
    node_t *tail;
    u16 count;
} list_t;

typedef int (*compare_fn)(const node_t *a, const node_t *b);
typedef void (*visit_fn)(node_t *n, void *context);

static node_t pool[POOL_SIZE];
static u8 pool_next;
static list_t free_list;

static int by_key(const node_t *a, const node_t *b)
{
    if (a->key < b->key)
        return -1;
    if (a->key > b->key)
        return 1;
    return 0;
}

static int by_tag_then_key(const node_t *a, const node_t *b)
{
    int d = (int)a->tag - (int)b->tag;
    return d != 0 ? d : by_key(a, b);
}

static void list_init(list_t *l)
{
    l->head = l->tail = NULL;
    l->count = 0;
}

static void list_append(list_t *l, node_t *n)
{
    n->next = NULL;
    n->prev = l->tail;
    if (l->tail)
        l->tail->next = n;
    else
        l->head = n;
    l->tail = n;
    l->count++;
}

static node_t *list_pop(list_t *l)
{
    node_t *n = l->head;
    if (n == NULL)
        return NULL;
    l->head = n->next;
    if (l->head != NULL)
        l->head->prev = NULL;
    else
        l->tail = NULL;
    l->count--;
    n->next = n->prev = NULL;
    return n;
}

static void list_remove(list_t *l, node_t *n)
{
    if (n->prev)
        n->prev->next = n->next;
    else
        l->head = n->next;
    if (n->next)
        n->next->prev = n->prev;
    else
        l->tail = n->prev;
    l->count--;
}

static node_t *node_alloc(s16 key, u8 tag)
{
    node_t *n;
    if (free_list.count != 0) {
        n = list_pop(&free_list);
    } else if (pool_next < POOL_SIZE) {
        n = &pool[pool_next++];
    } else {
        return NULL;
    }
    n->key = key;
    n->tag = tag;
    n->used = 1;
    n->marked = 0;
    return n;
}

static void node_free(node_t *n)
{
    n->used = 0;
    list_append(&free_list, n);
}

/* Splits a list after its middle and returns the second half. */
static node_t *split(node_t *head)
{
    node_t *slow = head, *fast = head->next;
    node_t *second;
    while (fast != NULL && fast->next != NULL) {
        slow = slow->next;
        fast = fast->next->next;
    }
    second = slow->next;
    slow->next = NULL;
    return second;
}

static node_t *merge(node_t *a, node_t *b, compare_fn cmp)
{
    node_t dummy;
    node_t *tail = &dummy;
    dummy.next = NULL;
    while (a && b) {
        if (cmp(a, b) <= 0) {
            tail->next = a;
            a = a->next;
        } else {
            tail->next = b;
            b = b->next;
        }
        tail = tail->next;
    }
    tail->next = a ? a : b;
    return dummy.next;
}

static node_t *merge_sort(node_t *head, compare_fn cmp)
{
    node_t *second;
    if (head == NULL || head->next == NULL)
        return head;
    second = split(head);
    return merge(merge_sort(head, cmp), merge_sort(second, cmp), cmp);
}

static void list_sort(list_t *l, compare_fn cmp)
{
    node_t *n, *prev = NULL;
    l->head = merge_sort(l->head, cmp);
    for (n = l->head; n != NULL; n = n->next) {
        n->prev = prev;
        prev = n;
    }
    l->tail = prev;
}

static void list_visit(list_t *l, visit_fn fn, void *context)
{
    node_t *n = l->head, *next;
    while (n) {
        next = n->next;
        (*fn)(n, context);
        n = next;
    }
}

static void sum_keys(node_t *n, void *context)
{
    s32 *total = (s32 *)context;
    *total += n->key;
}

static void mark_even(node_t *n, void *context)
{
    (void)context;
    n->marked = (n->key & 1) == 0;
}

static node_t *list_find(list_t *l, s16 key)
{
    node_t *n;
    for (n = l->head; n; n = n->next)
        if (n->key == key)
            return n;
    return NULL;
}

static int list_check(const list_t *l, compare_fn cmp)
{
    const node_t *n;
    u16 seen = 0;
    for (n = l->head; n != NULL; n = n->next) {
        seen++;
        if (n->next && cmp(n, n->next) > 0)
            return 0;
        if (n->next && n->next->prev != n)
            return 0;
    }
    return seen == l->count;
}

static const s16 seed_keys[] = { 42, -7, 19, 0, 88, 3, -120, 55, 19, 64, 7, 1 };
static const u8 seed_tags[COUNT_OF(seed_keys)] = { 2, 1, 2, 0, 1, 1, 0, 2, 0, 1, 2, 0 };

int lists_main(void)
{
    list_t l;
    unsigned i;
    s32 total = 0;
    node_t *n;
    int ok = 1;

    list_init(&l);
    list_init(&free_list);
    for (i = 0; i < COUNT_OF(seed_keys); i++) {
        n = node_alloc(seed_keys[i], seed_tags[i]);
        if (n == NULL)
            return -1;
        list_append(&l, n);
    }
    list_sort(&l, by_key);
    ok = ok && list_check(&l, by_key);
    list_visit(&l, sum_keys, &total);
    list_visit(&l, mark_even, NULL);
    n = list_find(&l, 19);
    if (n != NULL) {
        list_remove(&l, n);
        node_free(n);
    }
    list_sort(&l, by_tag_then_key);
    ok = ok && list_check(&l, by_tag_then_key);
    while ((n = list_pop(&l)) != NULL)
        node_free(n);
    printf("total %ld ok %d free %u\n", total, ok, free_list.count);
    return ok ? (int)(total & 0x7fff) : -2;
}
