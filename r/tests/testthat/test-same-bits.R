# Every figure and file equal to zeltric-cli's on the same data.

test_that("a path gives zeltric-cli's files, test and bootstrap included", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"),
                 labels = file.path(expected_dir("trout"), "trout.lab"),
                 test = 100, seeds = c(123, 456), bootstrap = 100, bootstrap_seeds = c(1, 2))
  expect_cli_outputs(res, "trout", trout_outputs)
  expect_setequal(names(attr(res, "files")), trout_outputs)
  expect_identical(res$global_fst, 0.08448022)
  expect_identical(res$global_fst_p_value, 0.01)
  expect_identical(res$axes$p_value[1:2], c(0.01, 0.35))
})

test_that("the numbers are the record's numbers, shaped for R", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"),
                 labels = file.path(expected_dir("trout"), "trout.lab"))
  record <- zeltric:::.zeltric_read_json(file.path(expected_dir("trout"), "trout.json"))
  expect_identical(res$global_fst, record$results$global_fst)
  expect_identical(res$total_inertia, record$results$total_inertia)
  expect_identical(res$axes$fst, vapply(record$results$axes, `[[`, 0, "fst"))
  df <- as.data.frame(res)
  expect_identical(df$label, vapply(record$results$sample_coordinates, `[[`, "", "label"))
  expect_identical(unname(unlist(df[1, paste0("Axis", 1:7)])),
                   record$results$sample_coordinates[[1]]$coordinates)
  expect_null(res$global_fst_p_value)
})

test_that("a genind with missing data is written as zeltric-cli's Genepop input and gives its files", {
  nancycats <- nancycats_genind()
  expect_true(anyNA(nancycats@tab))
  res <- zeltric(nancycats, test = 200, seeds = c(4711, 815))
  expect_identical(readBin(file.path(dirname(attr(res$record, "path")), "nancycats.gen"), "raw", 1e6),
                   expected_bytes("nancycats", "nancycats.gen"))
  expect_cli_outputs(res, "nancycats", genepop_outputs("nancycats"))
  expect_equal(res$samples, 17)
  expect_equal(res$complete_genotypes$label[1:2], c("P01", "P02"))
})

test_that("a data frame of genotypes gives the genind's results", {
  nancycats <- nancycats_genind()
  df <- adegenet::genind2df(nancycats, sep = "/")
  names(df)[names(df) == "pop"] <- "sample"
  res <- zeltric(df, test = 200, seeds = c(4711, 815))
  genind <- zeltric(nancycats, test = 200, seeds = c(4711, 815))
  expect_identical(res$record$results, genind$record$results)
  expect_identical(attr(res, "files")[["df.gen-genepop.pca"]],
                   expected_bytes("nancycats", "nancycats.gen-genepop.pca"))
})

test_that("a genpop runs the analysis and the bootstrap from its counts alone", {
  nancycats <- nancycats_genind()
  nancypop <- adegenet::genind2genpop(nancycats, quiet = TRUE)
  res <- zeltric(nancypop, bootstrap = 100, bootstrap_seeds = c(5, 6))
  expect_cli_outputs(res, "nancypop", genepop_outputs("nancypop"))
  # The frequencies and sample sizes are the genind's: so is the analysis.
  genind <- zeltric(nancycats)
  expect_identical(res$axes, genind$axes)
  expect_identical(res$sample_coordinates, genind$sample_coordinates)
})

test_that("the results do not depend on the threads", {
  path <- file.path(expected_dir("trout"), "trout.dat")
  one <- zeltric(path, test = 100, seeds = c(123, 456), threads = 1)
  two <- zeltric(path, test = 100, seeds = c(123, 456), threads = 2)
  expect_identical(attr(one, "files")[["trout.per"]], attr(two, "files")[["trout.per"]])
  expect_identical(one$record$program$threads, 1)
  expect_identical(two$record$program$threads, 2)
})

test_that("data past the data file's limits go to the extended analysis, as in zeltric-cli", {
  wide <- wide_frame()
  res <- NULL
  said <- capture_messages(res <- zeltric(wide, threads = 2))
  expect_match(said, "extended analysis", all = FALSE)
  expect_identical(readBin(file.path(dirname(attr(res$record, "path")), "wide.gen"), "raw", 1e6),
                   expected_bytes("wide", "wide.gen"))
  outputs <- c("wide.pca", "wide.pop", "wide.fre", "wide.al")
  for (file in outputs) expect_identical(attr(res, "files")[[file]], expected_bytes("wide", file), info = file)
  expected <- zeltric:::.zeltric_read_json(file.path(expected_dir("wide"), "wide.json"))
  expect_identical(res$record$results, expected$results)
  expect_equal(res$loci, 51)
  expect_identical(as.data.frame(res)$label, c("north", "centre", "south"))
  expect_error(suppressMessages(zeltric(wide, loci = 1:3)), "--loci is not available with the extended")
  expect_error(suppressMessages(zeltric(wide, analysis = "exact")), "50")
})
