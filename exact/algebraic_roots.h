/* Inside the exact library only: the roots of integer and Gaussian-integer polynomials as
 * algebraic numbers (Calcium's qqbar). Calcium's headers are C only, so its calls stay in
 * algebraic_roots.c behind these functions, which C++ calls with FLINT types. */
#ifndef KELVARO_EXACT_ALGEBRAIC_ROOTS_H
#define KELVARO_EXACT_ALGEBRAIC_ROOTS_H

#include <flint/fmpq.h>
#include <flint/fmpz_poly.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kelvaro_roots kelvaro_roots;

/* The roots of an irreducible integer polynomial of degree at least 1, each once. */
kelvaro_roots* kelvaro_roots_of_irreducible(const fmpz_poly_t poly);
/* The distinct roots of re + i im (im not zero), each with its multiplicity. */
kelvaro_roots* kelvaro_roots_of_gaussian(const fmpz_poly_t re, const fmpz_poly_t im);
void kelvaro_roots_free(kelvaro_roots* roots);

long kelvaro_roots_count(const kelvaro_roots* roots);
long kelvaro_root_multiplicity(const kelvaro_roots* roots, long k);
/* 1 and the parts when root k is a Gaussian rational. */
int kelvaro_root_gaussian_rational(const kelvaro_roots* roots, long k, fmpq_t re, fmpq_t im);
/* The index j > k of a root with the same multiplicity such that root k and root j are the
 * roots of x^2 - s x + t with Gaussian rationals s and t (given in their parts), or -1. */
long kelvaro_root_quadratic_partner(const kelvaro_roots* roots, long k, fmpq_t s_re, fmpq_t s_im,
                                    fmpq_t t_re, fmpq_t t_im);
/* Bounds of root k's parts from an enclosure at prec bits. */
void kelvaro_root_enclosure(const kelvaro_roots* roots, long k, long prec, fmpq_t re_lo,
                            fmpq_t re_hi, fmpq_t im_lo, fmpq_t im_hi);
/* The sign (-1, 0, 1) of root k's real part or imaginary part, exactly. */
int kelvaro_root_sign(const kelvaro_roots* roots, long k, int imaginary);

#ifdef __cplusplus
}
#endif

#endif
