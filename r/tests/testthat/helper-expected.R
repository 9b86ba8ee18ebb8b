# zeltric-cli's outputs on the same data, made by cli/make-expected.
expected_dir <- function(name) test_path("cli", name)

expected_bytes <- function(name, file) {
  path <- file.path(expected_dir(name), file)
  readBin(path, "raw", file.info(path)$size)
}

# The files of `res` against zeltric-cli's: every output byte for byte, the
# run record apart from the program, the times and the paths.
expect_cli_outputs <- function(res, name, outputs) {
  files <- attr(res, "files")
  for (file in outputs) {
    expect_true(file %in% names(files), info = file)
    if (!grepl("\\.json$", file)) expect_identical(files[[file]], expected_bytes(name, file), info = file)
  }
  json <- grep("\\.json$", outputs, value = TRUE)
  expected <- zeltric:::.zeltric_read_json(file.path(expected_dir(name), json))
  expect_identical(res$record$results, expected$results)
  expect_identical(res$record$bootstrap, expected$bootstrap)
  for (key in c("randomisations", "seeds_start", "seeds_end", "cancelled")) {
    expect_identical(res$record[[key]], expected[[key]], info = key)
  }
  expect_identical(res$record$input$sha256, expected$input$sha256)
  expect_identical(res$record$input$selection, expected$input$selection)
}

table_suffixes <- c("-frequencies.csv", "-samples.csv", "-alleles.csv", "-axes.csv")
trout_outputs <- c("trout.pca", "trout.pop", "trout.al", "trout.per", "trout.fre", "trout.json",
                   paste0("trout", table_suffixes))
genepop_outputs <- function(name) {
  c(paste0(name, ".gen-genepop", c(".pca", ".pop", ".al", ".per", ".fre", ".json", ".dat", ".lab",
                                   table_suffixes)),
    paste0(name, ".gen-genepop-alleles.txt"))
}

nancycats_genind <- function() {
  skip_if_not_installed("adegenet")
  env <- new.env()
  utils::data("nancycats", package = "adegenet", envir = env)
  env$nancycats
}

# 51 loci, one past the data file's limit: the extended analysis's data.
wide_frame <- function() {
  individuals <- 24
  loci <- 51
  frame <- data.frame(sample = rep(c("north", "centre", "south"), each = individuals / 3))
  for (l in seq_len(loci)) {
    i <- seq_len(individuals)
    a <- 100 + (i * 7 + l * 3) %% 5 + (i > 8) * (l %% 3)
    b <- 100 + (i * 5 + l) %% 4 + (i > 16) * 2
    g <- paste0(a, "/", b)
    g[(i + l) %% 13 == 0] <- NA
    frame[[sprintf("L%02d", l)]] <- g
  }
  frame
}
