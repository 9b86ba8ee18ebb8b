library(testthat)
library(zeltric)

test_check("zeltric")
