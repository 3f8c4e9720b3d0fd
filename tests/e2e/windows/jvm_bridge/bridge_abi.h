/* The record that the Windows half of the test bridge hands to its Unix half
   for every call. Every field is 64 bits wide, so that the record has the
   same layout in the PE half (where 64-bit fields are 8-byte aligned) and in
   the Unix half (where gcc -m32 aligns them to 4): there is no padding to
   disagree about. Pointers are carried as integers; both halves live in the
   same address space, so the Unix half uses them as they are. */
#ifndef VANDREL_TESTS_E2E_WINDOWS_JVM_BRIDGE_BRIDGE_ABI_H
#define VANDREL_TESTS_E2E_WINDOWS_JVM_BRIDGE_BRIDGE_ABI_H

#include <stdint.h>

enum bridge_op {
    BRIDGE_CREATE_VM,               /* arg0: JavaVMInitArgs*, arg1: ANSI code page */
    BRIDGE_FIND_CLASS,              /* arg0: name                                */
    BRIDGE_GET_METHOD_ID,           /* arg0: class, arg1: name, arg2: signature  */
    BRIDGE_GET_STATIC_METHOD_ID,    /* as above                                  */
    BRIDGE_GET_OBJECT_CLASS,        /* arg0: object                              */
    BRIDGE_NEW_OBJECT,              /* arg0: class, arg1: method, arg2: jvalue*  */
    BRIDGE_CALL_OBJECT_METHOD,      /* arg0: object, arg1: method, arg2: jvalue* */
    BRIDGE_CALL_INT_METHOD,         /* as above                                  */
    BRIDGE_CALL_STATIC_VOID_METHOD, /* arg0: class, arg1: method, arg2: jvalue*  */
    BRIDGE_NEW_BYTE_ARRAY,          /* arg0: length                              */
    BRIDGE_SET_BYTE_ARRAY_REGION,   /* arg0: array, arg1: start, arg2: length, arg3: bytes */
    BRIDGE_NEW_OBJECT_ARRAY,        /* arg0: length, arg1: class, arg2: initial element */
    BRIDGE_SET_OBJECT_ARRAY_ELEMENT,/* arg0: array, arg1: index, arg2: value     */
    BRIDGE_DELETE_LOCAL_REF,        /* arg0: reference                           */
    BRIDGE_GET_STRING_UTF_CHARS,    /* arg0: string, arg1: jboolean* or 0        */
    BRIDGE_RELEASE_STRING_UTF_CHARS,/* arg0: string, arg1: bytes                 */
    BRIDGE_EXCEPTION_OCCURRED,
    BRIDGE_EXCEPTION_CHECK,
    BRIDGE_EXCEPTION_CLEAR,
    BRIDGE_EXCEPTION_DESCRIBE,
    BRIDGE_DETACH_CURRENT_THREAD,
    BRIDGE_DESTROY_JAVA_VM,
    BRIDGE_GET_DEFAULT_INIT_ARGS,   /* arg0: JavaVMInitArgs*                     */
    BRIDGE_NEW_STRING_UTF,          /* arg0: modified UTF-8 bytes                */
    BRIDGE_SET_STDIO,               /* arg0..2: Unix descriptors for 0, 1, 2, or -1 */
    BRIDGE_CALL_STATIC_OBJECT_METHOD, /* arg0: class, arg1: method, arg2: jvalue* */
    BRIDGE_NEW_STRING_NATIVE,       /* arg0: bytes in the host's native encoding  */
    BRIDGE_CALL_VOID_METHOD,        /* arg0: object, arg1: method, arg2: jvalue* */
    BRIDGE_OP_COUNT
};

struct bridge_call {
    uint64_t op;
    uint64_t arg[4];
    uint64_t result;
};

/* The single entry of the Unix half's call table. */
#define BRIDGE_UNIX_DISPATCH 0

#endif
