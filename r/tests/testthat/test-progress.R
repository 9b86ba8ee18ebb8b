# The binding's progress and cancel, below zeltric(): the run's files go to
# a folder of its own, as zeltric() puts them.
run_in_folder <- function(args, progress, cancel_after = 0L) {
  dir <- zeltric:::run_folder()
  data <- zeltric:::link_input(file.path(expected_dir("trout"), "trout.dat"), dir)
  zeltric:::.zeltric_cli_run(c(data, args), progress, cancel_after, TRUE, FALSE)
}

test_that("the test and then the bootstrap report their progress", {
  calls <- list()
  run <- run_in_folder(c("--test", "100", "--seeds", "1,2", "--bootstrap", "100"),
                       function(stage, done, total) calls[[length(calls) + 1]] <<- c(stage, done, total))
  expect_identical(run$status, 0L)
  m <- do.call(rbind, calls)
  test <- m[m[, 1] == 0, , drop = FALSE]
  bootstrap <- m[m[, 1] == 1, , drop = FALSE]
  expect_equal(test[1, ], c(0, 0, 100))
  expect_equal(test[nrow(test), ], c(0, -1, 100))
  steps <- test[-nrow(test), 2]
  expect_true(all(diff(steps) >= 0) && all(steps <= 100))
  expect_equal(bootstrap[1, ], c(1, 0, 100))
  expect_equal(bootstrap[nrow(bootstrap), ], c(1, -1, 100))
  expect_true(max(which(m[, 1] == 0)) < min(which(m[, 1] == 1)))
  expect_false(run$cancelled)
})

test_that("a pairwise test after the test reports as its own stage, the bootstrap's absent", {
  calls <- list()
  run <- run_in_folder(c("--test", "100", "--seeds", "1,2", "--statistics", "--pairwise-test", "200"),
                       function(stage, done, total) calls[[length(calls) + 1]] <<- c(stage, done, total))
  expect_identical(run$status, 0L)
  m <- do.call(rbind, calls)
  expect_setequal(unique(m[, 1]), c(0, 2))
  pairwise <- m[m[, 1] == 2, , drop = FALSE]
  expect_equal(pairwise[nrow(pairwise), 2], -1)
  expect_true(max(which(m[, 1] == 0)) < min(which(m[, 1] == 2)))
})

test_that("an error in the progress callback cancels the test instead of unwinding the core", {
  run <- run_in_folder(c("--test", "1000", "--seeds", "1,2"), function(stage, done, total) {
    stop("from the callback")
  })
  expect_identical(run$status, 0L)
  expect_true(file.exists(run$record))
  record <- zeltric:::.zeltric_read_json(run$record)
  expect_true(record$cancelled)
  expect_true(run$cancelled)
})

test_that("the progress bar takes the binding's calls", {
  skip_if_not_installed("progress")
  report <- zeltric:::progress_reporter(TRUE)
  expect_type(report, "closure")
  expect_silent({
    report(0, 0, 100)
    report(0, 50, 100)
    report(0, -1, 100)
  })
  expect_null(zeltric:::progress_reporter(FALSE))
})
