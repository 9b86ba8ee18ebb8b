# Writes the HGDP-CEPH microsatellite panel of the peer package (adegenet's
# eHGDP) as a Genepop file, and the figures of the extended analysis computed
# here from its allele table, independently of ZELTRIC:
#   Rscript ehgdp_panel.R OUT.gen OUT.txt
suppressMessages(library(adegenet))
data(eHGDP)
x <- eHGDP
args <- commandArgs(trailingOnly = TRUE)

out <- file(args[1], "w")
writeLines("HGDP-CEPH microsatellites (adegenet eHGDP)", out)
writeLines(locNames(x), out)
g <- genind2df(x, sep = "/", usepop = FALSE)
code <- function(v) {
  ifelse(is.na(v), "000000",
         sapply(strsplit(v, "/"), function(a) sprintf("%03d%03d", as.integer(a[1]), as.integer(a[2]))))
}
m <- do.call(cbind, lapply(g, code))
p <- pop(x)
names <- indNames(x)
for (lev in levels(p)) {
  writeLines("Pop", out)
  for (i in which(p == lev)) writeLines(paste0(names[i], " , ", paste(m[i, ], collapse = " ")), out)
}
close(out)

# The definition, step by step, on the allele table (copies per individual).
tabm <- tab(x)
lf <- locFac(x)
first <- !duplicated(lf)
typed <- !is.na(tabm[, first])
counts <- tabm
counts[is.na(counts)] <- 0
n <- rowsum(typed * 1, p)
cnt <- rowsum(counts, p)
N <- colSums(n)
tot <- colSums(cnt)
nCol <- n[, as.integer(lf), drop = FALSE]
NCol <- N[as.integer(lf)]
pbar <- tot / (2 * NCol)
f <- ifelse(nCol > 0, cnt / (2 * nCol), 0)
X <- sweep(f, 2, pbar)
X[nCol == 0] <- 0
keep <- tot > 0 & NCol > 0
X <- X[, keep, drop = FALSE]
mj <- rowsum((rowSums(typed) > 0) * 1, p)
w <- as.vector(mj / sum(mj))
H <- sum(tapply(pbar[keep]^2, droplevels(lf[keep]), function(v) 1 - sum(v)))
M <- (sqrt(w) * X) %*% t(sqrt(w) * X)
lambda <- eigen(M, symmetric = TRUE, only.values = TRUE)$values
total <- sum(pmax(lambda, 0))
writeLines(sprintf("%d %d %d %d %.17g %.17g %.17g", nlevels(p), nLoc(x), sum(keep), nInd(x),
                   total / H, lambda[1] / H, lambda[2] / total), args[2])
