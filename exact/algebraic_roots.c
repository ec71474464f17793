/* Roots as algebraic numbers (see algebraic_roots.h). */
#include "exact/algebraic_roots.h"

#include <stdlib.h>

#include <acb.h>
#include <acb_poly.h>
#include <calcium/qqbar.h>
#include <flint/fmpz_poly_factor.h>

struct kelvaro_roots {
  slong capacity;
  slong count;
  qqbar_ptr values;
  slong* multiplicity;
};

static kelvaro_roots* roots_new(slong capacity) {
  kelvaro_roots* r = flint_malloc(sizeof(kelvaro_roots));
  r->capacity = capacity > 0 ? capacity : 1;
  r->count = 0;
  r->values = _qqbar_vec_init(r->capacity);
  r->multiplicity = flint_calloc(r->capacity, sizeof(slong));
  return r;
}

kelvaro_roots* kelvaro_roots_of_irreducible(const fmpz_poly_t poly) {
  const slong n = fmpz_poly_degree(poly);
  kelvaro_roots* r = roots_new(n);
  qqbar_roots_fmpz_poly(r->values, poly, QQBAR_ROOTS_IRREDUCIBLE);
  r->count = n;
  for (slong k = 0; k < n; k++) r->multiplicity[k] = 1;
  return r;
}

/* Whether re(x) + i im(x) is zero, x a root of some factor: a quick look at an enclosure
 * first, the exact test only when that cannot tell. */
static int gaussian_value_is_zero(const fmpz_poly_t re, const fmpz_poly_t im, const qqbar_t x) {
  acb_t z, a, b;
  acb_poly_t p;
  int zero = 1;
  acb_init(z);
  acb_init(a);
  acb_init(b);
  acb_poly_init(p);
  qqbar_get_acb(z, x, 128);
  acb_poly_set_fmpz_poly(p, re, 128);
  acb_poly_evaluate(a, p, z, 128);
  acb_poly_set_fmpz_poly(p, im, 128);
  acb_poly_evaluate(b, p, z, 128);
  acb_mul_onei(b, b);
  acb_add(a, a, b, 128);
  if (!acb_contains_zero(a)) zero = 0;
  acb_clear(z);
  acb_clear(a);
  acb_clear(b);
  acb_poly_clear(p);
  if (zero) {
    qqbar_t u, v, i;
    qqbar_init(u);
    qqbar_init(v);
    qqbar_init(i);
    qqbar_evaluate_fmpz_poly(u, re, x);
    qqbar_evaluate_fmpz_poly(v, im, x);
    qqbar_i(i);
    qqbar_mul(v, v, i);
    qqbar_add(u, u, v);
    zero = qqbar_is_zero(u);
    qqbar_clear(u);
    qqbar_clear(v);
    qqbar_clear(i);
  }
  return zero;
}

kelvaro_roots* kelvaro_roots_of_gaussian(const fmpz_poly_t re, const fmpz_poly_t im) {
  /* Every root of f = re + i im is a root of the norm f conj(f) = re^2 + im^2. */
  fmpz_poly_t norm, t, dre, dim;
  fmpz_poly_factor_t factors;
  fmpz_poly_init(norm);
  fmpz_poly_init(t);
  fmpz_poly_init(dre);
  fmpz_poly_init(dim);
  fmpz_poly_mul(norm, re, re);
  fmpz_poly_mul(t, im, im);
  fmpz_poly_add(norm, norm, t);
  fmpz_poly_factor_init(factors);
  fmpz_poly_factor(factors, norm);
  kelvaro_roots* r = roots_new(fmpz_poly_degree(norm));
  for (slong f = 0; f < factors->num; f++) {
    const slong d = fmpz_poly_degree(factors->p + f);
    qqbar_ptr candidates = _qqbar_vec_init(d);
    qqbar_roots_fmpz_poly(candidates, factors->p + f, QQBAR_ROOTS_IRREDUCIBLE);
    for (slong k = 0; k < d; k++) {
      /* The multiplicity: how many of f, f', f'', ... vanish there. */
      slong m = 0;
      fmpz_poly_set(dre, re);
      fmpz_poly_set(dim, im);
      while ((fmpz_poly_degree(dre) > 0 || fmpz_poly_degree(dim) > 0) &&
             gaussian_value_is_zero(dre, dim, candidates + k)) {
        m++;
        fmpz_poly_derivative(dre, dre);
        fmpz_poly_derivative(dim, dim);
      }
      if (m > 0) {
        qqbar_swap(r->values + r->count, candidates + k);
        r->multiplicity[r->count] = m;
        r->count++;
      }
    }
    _qqbar_vec_clear(candidates, d);
  }
  fmpz_poly_factor_clear(factors);
  fmpz_poly_clear(norm);
  fmpz_poly_clear(t);
  fmpz_poly_clear(dre);
  fmpz_poly_clear(dim);
  return r;
}

void kelvaro_roots_free(kelvaro_roots* roots) {
  if (!roots) return;
  _qqbar_vec_clear(roots->values, roots->capacity);
  flint_free(roots->multiplicity);
  flint_free(roots);
}

long kelvaro_roots_count(const kelvaro_roots* roots) {
  return roots->count;
}

long kelvaro_root_multiplicity(const kelvaro_roots* roots, long k) {
  return roots->multiplicity[k];
}

/* 1 and the parts when x lies in Q(i): a rational, or a root of a x^2 + b x + c whose
 * discriminant is minus a square. */
static int in_gaussian_rationals(const qqbar_t x, fmpq_t re, fmpq_t im) {
  if (qqbar_degree(x) == 1) {
    qqbar_get_fmpq(re, x);
    fmpq_zero(im);
    return 1;
  }
  if (qqbar_degree(x) != 2) return 0;
  const fmpz* c = QQBAR_COEFFS(x);
  fmpz_t disc, root, twice_a;
  fmpz_init(disc);
  fmpz_init(root);
  fmpz_init(twice_a);
  fmpz_mul(disc, c + 1, c + 1);
  fmpz_mul(root, c + 2, c + 0);
  fmpz_mul_ui(root, root, 4);
  fmpz_sub(disc, disc, root); /* b^2 - 4ac */
  int found = 0;
  if (fmpz_sgn(disc) < 0) {
    fmpz_neg(disc, disc);
    if (fmpz_is_square(disc)) {
      fmpz_sqrt(root, disc);
      fmpz_mul_ui(twice_a, c + 2, 2);
      fmpz_neg(disc, c + 1);
      fmpq_set_fmpz_frac(re, disc, twice_a);
      fmpq_set_fmpz_frac(im, root, twice_a);
      if (qqbar_sgn_im(x) < 0) fmpq_neg(im, im);
      found = 1;
    }
  }
  fmpz_clear(disc);
  fmpz_clear(root);
  fmpz_clear(twice_a);
  return found;
}

int kelvaro_root_gaussian_rational(const kelvaro_roots* roots, long k, fmpq_t re, fmpq_t im) {
  return in_gaussian_rationals(roots->values + k, re, im);
}

long kelvaro_root_quadratic_partner(const kelvaro_roots* roots, long k, fmpq_t s_re, fmpq_t s_im,
                                    fmpq_t t_re, fmpq_t t_im) {
  const qqbar_struct* x = roots->values + k;
  /* A root of degree 2 over Q(i) has degree at most 4 over Q. */
  if (qqbar_degree(x) > 4) return -1;
  qqbar_t s, t;
  qqbar_init(s);
  qqbar_init(t);
  long partner = -1;
  for (slong j = k + 1; j < roots->count && partner < 0; j++) {
    const qqbar_struct* y = roots->values + j;
    if (qqbar_degree(y) > 4 || roots->multiplicity[j] != roots->multiplicity[k]) continue;
    qqbar_add(s, x, y);
    if (!in_gaussian_rationals(s, s_re, s_im)) continue;
    qqbar_mul(t, x, y);
    if (in_gaussian_rationals(t, t_re, t_im)) partner = j;
  }
  qqbar_clear(s);
  qqbar_clear(t);
  return partner;
}

void kelvaro_root_enclosure(const kelvaro_roots* roots, long k, long prec, fmpq_t re_lo,
                            fmpq_t re_hi, fmpq_t im_lo, fmpq_t im_hi) {
  acb_t z;
  arf_t bound;
  acb_init(z);
  arf_init(bound);
  qqbar_get_acb(z, roots->values + k, prec);
  arb_get_lbound_arf(bound, acb_realref(z), prec);
  arf_get_fmpq(re_lo, bound);
  arb_get_ubound_arf(bound, acb_realref(z), prec);
  arf_get_fmpq(re_hi, bound);
  arb_get_lbound_arf(bound, acb_imagref(z), prec);
  arf_get_fmpq(im_lo, bound);
  arb_get_ubound_arf(bound, acb_imagref(z), prec);
  arf_get_fmpq(im_hi, bound);
  arf_clear(bound);
  acb_clear(z);
}

int kelvaro_root_sign(const kelvaro_roots* roots, long k, int imaginary) {
  return imaginary ? qqbar_sgn_im(roots->values + k) : qqbar_sgn_re(roots->values + k);
}
