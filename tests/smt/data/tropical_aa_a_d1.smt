(benchmark test.smt
:logic QF_UFLIA
:extrafuns ((A Int Int Int Int))
:extrapreds ((D Int))
:extrapreds ((I Int Int Int))
:formula (and
(or
(D 1)
)
(not (I 1 1 1))
(<= 0 (A 1 1 1))
(>= 10 (A 1 1 1))
(or
(and (= (A 2 1 1) (+ (A 1 1 1) (A 1 1 1))) (not (I 2 1 1)) (not (I 1 1 1)) (not (I 1 1 1))) (and (I 2 1 1) (I 1 1 1)) (and (I 2 1 1) (I 1 1 1))
)
(or (and (not (I 2 1 1)) (not (I 1 1 1)) (not (I 1 1 1))
(<= (A 2 1 1) (+ (A 1 1 1) (A 1 1 1)))) (I 1 1 1) (I 1 1 1))
; rule 1
(or (not (D 1)) (I 2 1 1) (and (not (I 2 1 1)) (not (I 1 1 1)) (> (A
2 1 1)  (A 1 1 1))))
(or (D 1) (I 2 1 1) (and (not (I 2 1 1)) (not (I 1 1 1)) (>= (A
2 1 1)  (A 1 1 1))))
))
