# The run's CSV tables (NAME-samples.csv, NAME-axes.csv, ...) as data
# frames, named by what follows the run's name: "samples", "axes", ...
zeltric_tables <- function(res) {
  if (!inherits(res, "zeltric")) stop("res must be a zeltric object", call. = FALSE)
  files <- attr(res, "files")
  csv <- grep("\\.csv$", names(files), value = TRUE)
  if (length(csv) == 0) stop("this run wrote no tables", call. = FALSE)
  stem <- sub("\\.pca$", "", attr(res, "results_file"))
  tables <- lapply(csv, function(name) csv_frame(files[[name]]))
  stats::setNames(tables, sub("\\.csv$", "", substring(csv, nchar(stem) + 2)))
}

# The bytes of a CSV table the core wrote as a data frame; an empty cell
# is a missing value.
csv_frame <- function(bytes) {
  text <- rawToChar(bytes)
  Encoding(text) <- "UTF-8"
  utils::read.csv(text = text, stringsAsFactors = FALSE, check.names = FALSE, na.strings = "")
}

# The record's statistics object with its tables (NAME-loci.csv,
# NAME-pairwise.csv, NAME-sample-diversity.csv, in that order) as data
# frames named loci, pairwise and sample_diversity, and file names without
# the run's folder.
statistics_of <- function(statistics, files) {
  names_written <- basename(as.character(unlist(statistics$tables)))
  tables <- lapply(names_written, function(name) {
    if (is.null(files[[name]])) stop("the run's table ", name, " is missing", call. = FALSE)
    csv_frame(files[[name]])
  })
  statistics$tables <- stats::setNames(tables, c("loci", "pairwise", "sample_diversity")[seq_along(tables)])
  if (!is.null(statistics$pairwise$table)) statistics$pairwise$table <- basename(statistics$pairwise$table)
  statistics
}
