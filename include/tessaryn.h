/* TessarynDLL: the commands a host application calls by name.
 *
 * Every command has the same four parameters and returns one float, the result
 * code: 0 or a count on success, a negative whole number on failure. Paths are
 * 8-bit text, used exactly as given. The library never shows a message.
 *
 * Note that GetFile writes up to TESSARYN_NAME_BUFFER_SIZE (260) bytes into
 * `buffer` whatever `bufferSize` says: give it a buffer at least that large.
 */
#ifndef TESSARYN_H
#define TESSARYN_H

/* C linkage, the platform's default C calling convention, exported by name. */
#if defined(_WIN32)
#define TESSARYN_CALL __cdecl
#if defined(TESSARYN_BUILDING)
#define TESSARYN_EXPORT __declspec(dllexport)
#else
#define TESSARYN_EXPORT __declspec(dllimport)
#endif
#else
#if defined(__i386__)
#define TESSARYN_CALL __attribute__((cdecl))
#else
#define TESSARYN_CALL
#endif
#define TESSARYN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define TESSARYN_API extern "C" TESSARYN_EXPORT float TESSARYN_CALL
#else
#define TESSARYN_API extern TESSARYN_EXPORT float TESSARYN_CALL
#endif

/* The bytes GetFile may write into `buffer`: a name of up to 259 bytes and its NUL. */
#define TESSARYN_NAME_BUFFER_SIZE 260

/* Result codes. The list only grows; a value is never given a new meaning. */
#define TESSARYN_VERSION_NUMBER 3.0f     /* Version */
#define TESSARYN_OK 0.0f                 /* success (crease commands: a count) */
#define TESSARYN_FAILED (-1.0f)          /* failed; for file tools: an input cannot be read */
#define TESSARYN_ARGUMENT_ABSENT (-2.0f) /* SwapVertices, SmoothtoGroupOBJ: null text or buffer */
#define TESSARYN_CANNOT_WRITE (-3.0f)    /* SmoothtoGroupOBJ, GetCreases: output not written */
#define TESSARYN_NO_MORE_ENTRIES (-3.0f) /* GetFile: the listing has no further entry */
#define TESSARYN_NO_CREASE_EDGES (-4.0f) /* GetCreases: the OBJ has no crease edge */
#define TESSARYN_NO_PLACEHOLDER (-5.0f)  /* GetCreases: the scene has no crease placeholder */
#define TESSARYN_BAD_INDEX (-6.0f)       /* GetCreasesVyx: a face names a missing vertex or uv */
/* -7: GetCreases, GetCreasesVyx: null text or buffer */
#define TESSARYN_CREASE_ARGUMENT_ABSENT (-7.0f)
#define TESSARYN_UNEXPECTED (-8.0f)          /* out of memory or another unexpected failure */
#define TESSARYN_TOO_MANY_GROUPS (-16.0f)    /* GetCreases: more than 8191 distinct group lines */
#define TESSARYN_VYX_CANNOT_WRITE (-1760.0f) /* GetCreasesVyx: the Vyx file not written */

/* Returns 3.0, whatever it is given. */
TESSARYN_API Version(const char* text, double number, char* buffer, int bufferSize);

/* Opens a listing of the folder `text` in the library's one listing slot, closing
 * the listing it held. 0 open; -1 the folder cannot be listed (slot left empty). */
TESSARYN_API OpenFolder(const char* text, double number, char* buffer, int bufferSize);

/* Copies the next entry name of the open listing, NUL included, into `buffer`
 * (at most TESSARYN_NAME_BUFFER_SIZE bytes). 0 written; -1 no listing open or `buffer` null;
 * -3 no further entry. */
TESSARYN_API GetFile(const char* text, double number, char* buffer, int bufferSize);

/* Closes the open listing. 0 closed; -1 no listing open. */
TESSARYN_API CloseFolder(const char* text, double number, char* buffer, int bufferSize);

/* Deletes the file `text` (never a folder). 0 deleted; -1 null, missing or refused. */
TESSARYN_API FileDelete(const char* text, double number, char* buffer, int bufferSize);

/* Deletes every file directly in folder `text` whose name has an extension.
 * 0 the folder was listed; -1 it cannot be listed, or `text` is null or empty. */
TESSARYN_API EmptyFolder(const char* text, double number, char* buffer, int bufferSize);

/* Gives the OBJ `buffer` the vertex positions of the OBJ `text` (same count),
 * rewriting `buffer` in place. 0 done; -2 null argument; -1 not done, nothing
 * changed; -8 out of memory. */
TESSARYN_API SwapVertices(const char* text, double number, char* buffer, int bufferSize);

/* Writes OBJ `text` to `buffer` with its smoothing groups as groups.
 * 0 done; -2 null argument; -1 input unreadable; -3 output not written; -8. */
TESSARYN_API SmoothtoGroupOBJ(const char* text, double number, char* buffer, int bufferSize);

/* Writes the group-border edges of OBJ `text` as creases into the Maya ASCII scene
 * `buffer`, in place; `number` > 0 (truncated) takes smoothing groups, else groups.
 * The group count on success; -7 null argument; -1 an input unreadable;
 * -16 too many groups; -4 no crease edge; -5 no placeholder; -3 scene not
 * written; -8. */
TESSARYN_API GetCreases(const char* text, double number, char* buffer, int bufferSize);

/* Converts OBJ `text` into the Vyx file `buffer` with crease flags; `number` > 0
 * (truncated) takes smoothing groups as the crease source, else groups.
 * The number of source names on success (0 or more); -7 null argument;
 * -1 OBJ unreadable; -6 a face names a missing vertex or uv; -1760 Vyx file
 * not written; -8. */
TESSARYN_API GetCreasesVyx(const char* text, double number, char* buffer, int bufferSize);

#endif /* TESSARYN_H */
