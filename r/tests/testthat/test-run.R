test_that("write_zeltric writes zeltric-cli's files byte for byte and keeps existing files", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"),
                 labels = file.path(expected_dir("trout"), "trout.lab"),
                 test = 100, seeds = c(123, 456), bootstrap = 100, bootstrap_seeds = c(1, 2))
  dir <- tempfile()
  paths <- write_zeltric(res, dir)
  expect_setequal(basename(paths), trout_outputs)
  for (file in setdiff(trout_outputs, "trout.json")) {
    expect_identical(readBin(file.path(dir, file), "raw", 1e6), expected_bytes("trout", file), info = file)
  }
  expect_error(write_zeltric(res, dir), "exist already")
  expect_silent(write_zeltric(res, dir, overwrite = TRUE))
})

test_that("a rerun from the record gives the same outputs", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"), test = 100, seeds = c(123, 456))
  again <- NULL
  said <- capture_messages(again <- zeltric_rerun(res))
  expect_match(said, "^rerun: [0-9]+ outputs byte-identical, 0 differing", all = FALSE)
  expect_identical(attr(again, "status"), 0L)
  expect_identical(again$record$results, res$record$results)
  from_path <- suppressMessages(zeltric_rerun(attr(res$record, "path")))
  expect_identical(from_path$global_fst_p_value, res$global_fst_p_value)
})

test_that("a cancelled test leaves no test section and R usable", {
  path <- file.path(expected_dir("trout"), "trout.dat")
  old <- options(zeltric.cancel_after = 10L)
  on.exit(options(old))
  res <- NULL
  said <- capture_messages(res <- zeltric(path, test = 1000, seeds = c(1, 2)))
  expect_match(said, "cancelled", all = FALSE)
  expect_true(res$record$cancelled)
  expect_null(res$global_fst_p_value)
  expect_null(res$axes$p_value)
  options(old)
  plain <- zeltric(path)
  untested <- strsplit(rawToChar(attr(plain, "files")[["trout.pca"]]), "\r\n")[[1]]
  cancelled <- strsplit(rawToChar(attr(res, "files")[["trout.pca"]]), "\r\n")[[1]]
  expect_false(any(grepl("P-value|p-value", setdiff(cancelled, untested))))
  # The next run works as if nothing had happened.
  again <- zeltric(path, test = 100, seeds = c(123, 456))
  expect_identical(again$axes$p_value[1:2], c(0.01, 0.35))
})

test_that("print, summary and plot show the run", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"),
                 labels = file.path(expected_dir("trout"), "trout.lab"))
  out <- capture.output(print(res))
  expected <- strsplit(rawToChar(expected_bytes("trout", "trout.pca")), "\r\n")[[1]]
  expect_identical(out[seq_along(expected)][1:5], expected[1:5])
  expect_output(print(summary(res)), "8 samples, 6 loci, 33 alleles")
  pdf(NULL)
  on.exit(dev.off())
  d <- plot(res, axes = c(1, 3))
  expect_identical(d$label, as.data.frame(res)$label)
  expect_error(plot(res, axes = c(1, 9)), "two of the reported axes")
  if (requireNamespace("ggplot2", quietly = TRUE)) {
    p <- ggplot2::autoplot(res)
    expect_s3_class(p, "ggplot")
  }
})

test_that("the seed file continues the stream from run to run", {
  seed_file <- tempfile(fileext = ".ini")
  writeLines("123 456", seed_file)
  path <- file.path(expected_dir("trout"), "trout.dat")
  first <- zeltric(path, test = 100, seed_file = seed_file)
  expect_identical(first$record$seeds_start, c(123, 456))
  second <- zeltric(path, test = 100, seed_file = seed_file)
  expect_identical(second$record$seeds_start, first$record$seeds_end)
})

test_that("the tables are data frames of the run's CSV files", {
  res <- zeltric(file.path(expected_dir("trout"), "trout.dat"),
                 labels = file.path(expected_dir("trout"), "trout.lab"),
                 test = 100, seeds = c(123, 456), bootstrap = 100, bootstrap_seeds = c(1, 2))
  tables <- zeltric_tables(res)
  expect_setequal(names(tables), c("frequencies", "samples", "alleles", "axes"))
  expect_identical(tables$axes$p_value[1:2], res$axes$p_value[1:2])
  expect_equal(tables$samples$label, as.data.frame(res)$label)
  expect_equal(tables$samples$axis1, as.data.frame(res)$Axis1)
  expect_equal(nrow(tables$frequencies), 8 * 33)
  expect_error(zeltric_tables(suppressMessages(zeltric(wide_frame()))), "no tables")
})
