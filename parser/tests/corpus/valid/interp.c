/* A small stack machine: instructions, values of several kinds, calls. */
#include "corpus.h"

#define STACK_DEPTH 24
#define MAX_FRAMES 6

typedef enum {
    OP_HALT, OP_PUSH, OP_POP, OP_DUP, OP_SWAP, OP_ADD, OP_SUB, OP_MUL, OP_DIV,
    OP_NEG, OP_LT, OP_EQ, OP_JMP, OP_JZ, OP_CALL, OP_RET, OP_LOAD, OP_STORE, OP_PRINT
} opcode_t;

typedef struct {
    u8 op;
    s16 arg;
} insn_t;

typedef enum { V_INT, V_BOOL, V_NONE } value_kind;

typedef struct {
    value_kind kind;
    union {
        s16 i;
        u8 b;
    } as;
} value_t;

typedef struct {
    const insn_t *code;
    u16 pc;
    u16 base;
} frame_t;

typedef struct {
    value_t stack[STACK_DEPTH];
    u8 sp;
    frame_t frames[MAX_FRAMES];
    u8 fp;
    s16 vars[8];
    u16 steps;
    enum { RUN_OK, RUN_UNDERFLOW, RUN_OVERFLOW, RUN_DIVZERO, RUN_BADOP, RUN_DEPTH } error;
} vm_t;

static value_t make_int(s16 i)
{
    value_t v;
    v.kind = V_INT;
    v.as.i = i;
    return v;
}

static value_t make_bool(int b)
{
    value_t v;
    v.kind = V_BOOL;
    v.as.b = (u8)(b != 0);
    return v;
}

static int push(vm_t *vm, value_t v)
{
    if (vm->sp >= STACK_DEPTH) {
        vm->error = RUN_OVERFLOW;
        return 0;
    }
    vm->stack[vm->sp++] = v;
    return 1;
}

static int pop(vm_t *vm, value_t *out)
{
    if (vm->sp == 0) {
        vm->error = RUN_UNDERFLOW;
        return 0;
    }
    *out = vm->stack[--vm->sp];
    return 1;
}

static s16 as_int(const value_t *v)
{
    return v->kind == V_INT ? v->as.i : (s16)v->as.b;
}

static int run(vm_t *vm, const insn_t *program)
{
    frame_t *f;
    value_t a, b;
    const insn_t *in;

    vm->sp = 0;
    vm->fp = 0;
    vm->error = RUN_OK;
    vm->frames[0].code = program;
    vm->frames[0].pc = 0;
    vm->frames[0].base = 0;
    for (;;) {
        f = &vm->frames[vm->fp];
        in = &f->code[f->pc++];
        vm->steps++;
        switch ((opcode_t)in->op) {
        case OP_HALT:
            return vm->sp ? as_int(&vm->stack[vm->sp - 1]) : 0;
        case OP_PUSH:
            if (!push(vm, make_int(in->arg)))
                goto fail;
            break;
        case OP_POP:
            if (!pop(vm, &a))
                goto fail;
            break;
        case OP_DUP:
            if (!pop(vm, &a) || !push(vm, a) || !push(vm, a))
                goto fail;
            break;
        case OP_SWAP:
            if (!pop(vm, &a) || !pop(vm, &b) || !push(vm, a) || !push(vm, b))
                goto fail;
            break;
        case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: case OP_LT: case OP_EQ:
            if (!pop(vm, &b) || !pop(vm, &a))
                goto fail;
            {
                s16 x = as_int(&a), y = as_int(&b);
                value_t r;
                switch (in->op) {
                case OP_ADD: r = make_int((s16)(x + y)); break;
                case OP_SUB: r = make_int((s16)(x - y)); break;
                case OP_MUL: r = make_int((s16)(x * y)); break;
                case OP_DIV:
                    if (y == 0) {
                        vm->error = RUN_DIVZERO;
                        goto fail;
                    }
                    r = make_int((s16)(x / y));
                    break;
                case OP_LT: r = make_bool(x < y); break;
                default: r = make_bool(x == y); break;
                }
                push(vm, r);
            }
            break;
        case OP_NEG:
            if (!pop(vm, &a))
                goto fail;
            push(vm, make_int((s16)-as_int(&a)));
            break;
        case OP_JMP:
            f->pc = (u16)in->arg;
            break;
        case OP_JZ:
            if (!pop(vm, &a))
                goto fail;
            if (as_int(&a) == 0)
                f->pc = (u16)in->arg;
            break;
        case OP_CALL:
            if (vm->fp + 1 >= MAX_FRAMES) {
                vm->error = RUN_DEPTH;
                goto fail;
            }
            vm->frames[vm->fp + 1].code = f->code;
            vm->frames[vm->fp + 1].pc = (u16)in->arg;
            vm->frames[vm->fp + 1].base = vm->sp;
            vm->fp++;
            break;
        case OP_RET:
            if (vm->fp == 0)
                return as_int(&vm->stack[vm->sp - 1]);
            vm->fp--;
            break;
        case OP_LOAD:
            push(vm, make_int(vm->vars[in->arg & 7]));
            break;
        case OP_STORE:
            if (!pop(vm, &a))
                goto fail;
            vm->vars[in->arg & 7] = as_int(&a);
            break;
        case OP_PRINT:
            if (!pop(vm, &a))
                goto fail;
            printf("%d\n", as_int(&a));
            break;
        default:
            vm->error = RUN_BADOP;
            goto fail;
        }
    }
fail:
    printf("error %d at %u\n", (int)vm->error, (unsigned)(f->pc - 1));
    return -1;
}

/* sum = 0; for (i = 10; i; i--) sum += square(i); print sum */
static const insn_t program[] = {
    { OP_PUSH, 0 }, { OP_STORE, 0 },
    { OP_PUSH, 10 }, { OP_STORE, 1 },
    { OP_LOAD, 1 }, { OP_JZ, 15 },
    { OP_LOAD, 1 }, { OP_CALL, 18 },
    { OP_LOAD, 0 }, { OP_ADD, 0 }, { OP_STORE, 0 },
    { OP_LOAD, 1 }, { OP_PUSH, 1 }, { OP_SUB, 0 }, { OP_STORE, 1 },
    { OP_JMP, 4 },
    { OP_LOAD, 0 }, { OP_PRINT, 0 },
    { OP_DUP, 0 }, { OP_MUL, 0 }, { OP_RET, 0 },
};

int interp_main(void)
{
    static vm_t vm;
    int result;
    insn_t patched[COUNT_OF(program)];
    unsigned i;

    for (i = 0; i < COUNT_OF(program); i++)
        patched[i] = program[i];
    patched[5].arg = 16;
    patched[7].arg = 18;
    result = run(&vm, patched);
    printf("result %d in %u steps\n", result, vm.steps);
    return vm.error == RUN_OK ? vm.vars[0] : -1;
}
