# A list of numbers for zeltric-cli's --loci and --pops: c(1, 3, 5:8) or "1,3,5-8".
number_list <- function(value, what) {
  if (is.null(value)) return(NULL)
  if (is.character(value)) return(paste(value, collapse = ","))
  if (!is.numeric(value) || anyNA(value) || any(value != round(value))) {
    stop(what, " must be whole numbers, such as c(1, 3, 5:8)", call. = FALSE)
  }
  paste(format(value, scientific = FALSE, trim = TRUE), collapse = ",")
}

seed_pair <- function(value, what) {
  if (is.null(value)) return(NULL)
  if (!is.numeric(value) || length(value) != 2 || anyNA(value)) {
    stop(what, " must be two numbers, such as c(12345, 67890)", call. = FALSE)
  }
  paste(format(value, scientific = FALSE, trim = TRUE), collapse = ",")
}

# A progress bar for the test and the bootstrap, when R is interactive and
# the progress package is there.
progress_reporter <- function(show) {
  if (!show || !requireNamespace("progress", quietly = TRUE)) return(NULL)
  bar <- NULL
  function(stage, done, total) {
    if (done < 0) {
      if (!is.null(bar) && !bar$finished) bar$terminate()
      bar <<- NULL
      return(invisible())
    }
    if (is.null(bar)) {
      what <- c("test", "bootstrap", "pairwise test")[stage + 1]
      bar <<- progress::progress_bar$new(format = paste(what, "[:bar] :current/:total :eta"),
                                         total = total, clear = TRUE)
    }
    if (!bar$finished) bar$update(min(done / total, 1))
    invisible()
  }
}

zeltric <- function(x, test = 0, seeds = NULL, seed_file = NULL, bootstrap = 0, bootstrap_seeds = NULL,
                    loci = NULL, samples = NULL, labels = NULL, popmap = NULL, analysis = "auto",
                    statistics = FALSE, pairwise_test = 0, pairwise_seeds = NULL, threads = NULL) {
  analysis <- match.arg(analysis, c("auto", "exact", "extended"))
  if (!is.logical(statistics) || length(statistics) != 1 || is.na(statistics)) {
    stop("statistics must be TRUE or FALSE", call. = FALSE)
  }
  if (inherits(x, "genpop") && test != 0) {
    stop("a genpop object holds allele counts, not individuals: the permutation test needs ",
         "individuals (analyse the genind object instead)", call. = FALSE)
  }
  # The stand-in individuals of a genpop carry its counts but not its
  # genotypes: theta's heterozygote terms, F, f, Ho and the pairwise test
  # would be made up.
  if (inherits(x, "genpop") && statistics) {
    stop("a genpop object holds allele counts, not individuals: the statistics need ",
         "individuals' genotypes (heterozygotes, F, f, the pairwise test); analyse the genind object instead",
         call. = FALSE)
  }
  name <- input_name(if (is.character(x)) "" else deparse1(substitute(x)))
  dir <- run_folder()
  data <- prepare_input(x, dir, name)
  args <- data
  keep_seed_file <- FALSE
  if (test != 0) {
    args <- c(args, "--test", format(test, scientific = FALSE))
    if (is.null(seeds) && is.null(seed_file)) {
      stop("a test needs seeds: give seeds = c(S1, S2), or seed_file naming a file that keeps them",
           call. = FALSE)
    }
    if (!is.null(seeds)) args <- c(args, "--seeds", seed_pair(seeds, "seeds"))
    if (!is.null(seed_file)) {
      args <- c(args, "--seed-file", normalizePath(seed_file, mustWork = FALSE))
    } else {
      keep_seed_file <- TRUE
    }
  }
  if (bootstrap != 0) {
    args <- c(args, "--bootstrap", format(bootstrap, scientific = FALSE))
    if (!is.null(bootstrap_seeds)) args <- c(args, "--bootstrap-seeds", seed_pair(bootstrap_seeds, "bootstrap_seeds"))
  }
  if (!is.null(loci)) args <- c(args, "--loci", number_list(loci, "loci"))
  if (!is.null(samples)) args <- c(args, "--pops", number_list(samples, "samples"))
  if (!is.null(labels)) {
    if (length(labels) > 1 || (is.character(labels) && !file.exists(labels))) {
      path <- file.path(dir, paste0(name, "-labels.lab"))
      writeLines(as.character(labels), path, sep = "\r\n")
      labels <- path
    }
    args <- c(args, "--labels", normalizePath(labels))
  }
  if (!is.null(popmap)) args <- c(args, "--popmap", normalizePath(popmap))
  if (analysis != "auto") args <- c(args, "--analysis", analysis)
  # Passed as given: zeltric-cli refuses a pairwise test without statistics.
  if (statistics) args <- c(args, "--statistics")
  if (!identical(pairwise_test, 0)) args <- c(args, "--pairwise-test", format(pairwise_test, scientific = FALSE))
  if (!is.null(pairwise_seeds)) args <- c(args, "--pairwise-seeds", seed_pair(pairwise_seeds, "pairwise_seeds"))
  if (!is.null(threads)) args <- c(args, "--threads", format(threads, scientific = FALSE))
  run_cli(args, keep_seed_file = keep_seed_file, inputs = c(data, labels))
}

# Runs zeltric-cli's command line and reads the run back as a zeltric object.
# Files in `inputs` are the run's own inputs, not its outputs.
run_cli <- function(args, keep_seed_file = FALSE, inputs = character()) {
  show <- interactive() && isTRUE(getOption("zeltric.progress", TRUE))
  cancel_after <- as.integer(getOption("zeltric.cancel_after", 0L))
  run <- .zeltric_cli_run(args, progress_reporter(show), cancel_after, keep_seed_file, TRUE)
  for (m in run$messages) message(m)
  if (run$status %in% c(1L, 2L, 3L)) stop(run$error, call. = FALSE)
  if (!nzchar(run$record) || !file.exists(run$record)) stop(run$error, call. = FALSE)
  res <- read_run(run$record, inputs)
  # The core only writes this in the results file; at the console it is news.
  if (isTRUE(res$statistics$pairwise$test$cancelled)) message("Pairwise permutation test cancelled: no P-values")
  attr(res, "status") <- run$status
  attr(res, "messages") <- run$messages
  res
}
