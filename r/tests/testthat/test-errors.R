test_that("refusals are R errors with zeltric-cli's messages", {
  path <- file.path(expected_dir("trout"), "trout.dat")
  expect_error(zeltric(path, test = 100, seeds = c(0, 5)), "--seeds")
  expect_error(zeltric(path, test = 50, seeds = c(1, 2)), "100")
  expect_error(zeltric(path, loci = 7), "--loci")
  expect_error(zeltric(path, samples = 1), "--pops")
  expect_error(zeltric(path, test = 100), "a test needs seeds")
  expect_error(zeltric(tempfile()), "no file")
  expect_error(zeltric(42), "genind or genpop")
  expect_error(zeltric(path, pairwise_test = 100), "--pairwise-test needs --statistics")
  expect_error(zeltric(path, statistics = TRUE, pairwise_seeds = c(1, 2)), "--pairwise-seeds needs --pairwise-test")
  expect_error(zeltric(path, statistics = TRUE, pairwise_test = 99), "--pairwise-test")
  expect_error(zeltric(path, statistics = NA), "TRUE or FALSE")
})

test_that("a genpop refuses the test, and broken objects are refused", {
  nancycats <- nancycats_genind()
  pop <- adegenet::genind2genpop(nancycats, quiet = TRUE)
  expect_error(zeltric(pop, test = 100, seeds = c(1, 2)), "needs individuals")
  expect_error(zeltric(pop, statistics = TRUE), "need individuals' genotypes")
  odd <- pop
  odd@tab[1, 1] <- odd@tab[1, 1] + 1
  expect_error(zeltric(odd), "odd number of allele copies")
  nopop <- nancycats
  adegenet::pop(nopop) <- NULL
  expect_error(zeltric(nopop), "no populations")
  df <- data.frame(sample = c("a", "b"), L1 = c("1/2", "3"))
  expect_error(zeltric(df), "not two alleles")
  expect_error(zeltric(data.frame(L1 = "1/2")), "column 'sample'")
})

test_that("a file zeltric-cli refuses is refused with its message", {
  bad <- tempfile(fileext = ".dat")
  writeLines(c("2 1 4 1", "x"), bad)
  expect_error(zeltric(bad), "line")
})
