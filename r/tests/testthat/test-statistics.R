# The statistics and the pairwise test, against zeltric-cli's files.

# The record's statistics object less the tables' places (the run's folder).
statistics_apart_from_paths <- function(statistics) {
  statistics$tables <- NULL
  statistics$pairwise$table <- basename(statistics$pairwise$table)
  statistics
}

expect_cli_statistics <- function(res, name, stem) {
  files <- attr(res, "files")
  tables <- paste0(stem, c("-loci.csv", "-pairwise.csv", "-sample-diversity.csv"))
  for (file in c(tables, paste0(stem, c(".pca", ".per")))) {
    expect_identical(files[[file]], expected_bytes(name, file), info = file)
  }
  expected <- zeltric:::.zeltric_read_json(file.path(expected_dir(name), paste0(stem, ".json")))
  expect_identical(statistics_apart_from_paths(res$record$statistics),
                   statistics_apart_from_paths(expected$statistics))
  expect_identical(res$record$results, expected$results)
  # The R object: the record's names and numbers, the tables as data frames.
  s <- res$statistics
  expect_identical(s$theta, expected$statistics$theta)
  expect_identical(s$F, expected$statistics$F)
  expect_identical(s$f, expected$statistics$f)
  expect_identical(s$nei, expected$statistics$nei)
  expect_identical(names(s$tables), c("loci", "pairwise", "sample_diversity"))
  for (i in seq_along(tables)) {
    expect_identical(s$tables[[i]], zeltric:::csv_frame(expected_bytes(name, tables[i])), info = tables[i])
  }
  dir <- tempfile()
  write_zeltric(res, dir)
  for (file in tables) {
    expect_identical(readBin(file.path(dir, file), "raw", 1e6), expected_bytes(name, file), info = file)
  }
}

test_that("a genind's statistics and pairwise test are zeltric-cli's", {
  nancycats <- nancycats_genind()
  res <- zeltric(nancycats, statistics = TRUE, pairwise_test = 100, pairwise_seeds = c(4711, 815), threads = 2)
  expect_cli_statistics(res, "nancystats", "nancycats.gen-genepop")
  pairs <- res$statistics$tables$pairwise
  expect_equal(nrow(pairs), 17 * 16 / 2)
  expect_identical(res$statistics$pairwise$pairs, 136)
  expect_false(res$statistics$pairwise$test$cancelled)
  expect_true(all(pairs$P >= 0.01 & pairs$P <= 1))
  expect_identical(res$statistics$tables$sample_diversity$sample[1:2], c("P01", "P02"))
  expect_true(all(c("loci", "pairwise", "sample-diversity") %in% names(zeltric_tables(res))))
  shown <- capture.output(print(summary(res)))
  expect_true(any(grepl(paste("theta:", format(res$statistics$theta, digits = 7)), shown, fixed = TRUE)))
  expect_true(any(grepl(paste(res$statistics$pairwise$test$holm_below_0_05, "with Holm's P below 0.05 after 100"),
                        shown, fixed = TRUE)))
})

test_that("the extended analysis's test and statistics are zeltric-cli's", {
  wide <- wide_frame()
  res <- NULL
  suppressMessages(res <- zeltric(wide, test = 100, seeds = c(1, 2), statistics = TRUE, pairwise_test = 100,
                                  pairwise_seeds = c(3, 4), bootstrap = 100, bootstrap_seeds = c(5, 6),
                                  threads = 2))
  expect_cli_statistics(res, "widestats", "wide")
  expect_identical(res$global_fst_p_value, 0.81)
  expected <- zeltric:::.zeltric_read_json(file.path(expected_dir("widestats"), "wide.json"))
  expect_identical(res$record$seeds_end, expected$seeds_end)
  # The bootstrap over blocks of loci, as zeltric-cli draws and measures them.
  expect_identical(res$record$bootstrap, expected$bootstrap)
  expect_identical(res$record$bootstrap$blocks, 51)
})

test_that("a cancelled pairwise test keeps the observed statistics and says it was cancelled", {
  nancycats <- nancycats_genind()
  old <- options(zeltric.cancel_after = 10L)
  on.exit(options(old))
  res <- NULL
  said <- capture_messages(res <- zeltric(nancycats, statistics = TRUE, pairwise_test = 1000))
  expect_match(said, "Pairwise permutation test cancelled", all = FALSE)
  expect_true(res$statistics$pairwise$test$cancelled)
  expect_true("Pairwise permutation test cancelled: no P-values" %in% capture.output(print(res)))
  expect_null(res$statistics$pairwise$test$seeds_after)
  expect_output(print(summary(res)), "test cancelled")
  files <- attr(res, "files")
  for (file in c("nancycats.gen-genepop-loci.csv", "nancycats.gen-genepop-sample-diversity.csv")) {
    expect_identical(files[[file]], expected_bytes("nancystats", file), info = file)
  }
  expected <- zeltric:::csv_frame(expected_bytes("nancystats", "nancycats.gen-genepop-pairwise.csv"))
  expect_identical(res$statistics$tables$pairwise$theta, expected$theta)
  expect_identical(res$statistics$theta,
                   zeltric:::.zeltric_read_json(file.path(expected_dir("nancystats"),
                                                          "nancycats.gen-genepop.json"))$statistics$theta)
  # The next run works as if nothing had happened.
  options(old)
  again <- zeltric(nancycats, statistics = TRUE, pairwise_test = 100, pairwise_seeds = c(4711, 815))
  expect_identical(attr(again, "files")[["nancycats.gen-genepop-pairwise.csv"]],
                   expected_bytes("nancystats", "nancycats.gen-genepop-pairwise.csv"))
})
