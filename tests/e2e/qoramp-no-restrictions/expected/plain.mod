param COLS;
param ROWS;
param NNZ;
param base {1..COLS};
param lbv {1..COLS};
param ubv {1..COLS};
param rght {1..ROWS};
var x {j in 1..COLS} integer >= lbv[j], <= ubv[j];
minimize Goal: sum {j in 1..COLS} (x[j]-base[j])^2 / base[j];
