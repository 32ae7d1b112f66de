-- Who may see which budget rows, kept by the server itself. Run once by the owner of the budget
-- tables, in the budget database:
--
--     psql -v ON_ERROR_STOP=1 -d budget -f deploy/postgres/row-scope.sql
--
-- then give each login role its scope (the owner, and roles with BYPASSRLS, see every row):
--
--     insert into authpay_scope values ('clerk_002', '002', false);  -- unit 002 and below, no secret rows
--     insert into authpay_scope values ('clerk_001', '001', true);   -- unit 001 and below, secret rows too
--
-- A role sees the budget rows whose unit code starts with its prefix, secret rows (issecret '0',
-- shown as "密") only when it is cleared; a role without a scope row sees none. The code tables
-- stay readable to all. Running the script again changes nothing.
begin;

create table if not exists authpay_scope (
    role_name   name primary key,
    unit_prefix varchar(30) not null,
    cleared     boolean not null default false
);
comment on table authpay_scope is 'The budget rows each login role may see: its unit code prefix, and whether secret rows too';

-- Each role reads its own scope row, which the budget policy below looks up; nobody else's, and
-- only the owner changes them.
alter table authpay_scope enable row level security;
revoke all on authpay_scope from public;
grant select on authpay_scope to public;
drop policy if exists authpay_scope_own_row on authpay_scope;
create policy authpay_scope_own_row on authpay_scope for select using (role_name = current_user);

-- The budget rows behind vwBudgetAdj: the budget table, and on a sharded coordinator also the
-- partitioned table of the shards' own views, whose policy then applies to the rows every shard
-- sends.
do $$
declare
    t text;
begin
    foreach t in array array['busibudgetadj', 'vwbudgetadj_sharded'] loop
        continue when to_regclass(t) is null;
        execute format('alter table %I enable row level security', t);
        execute format('drop policy if exists authpay_scope_rows on %I', t);
        -- Each subquery runs once per statement; what is left per row is plain enough for a
        -- shard to apply itself, so a shard still sends its sums rather than its rows.
        execute format($p$create policy authpay_scope_rows on %I for select using (
            starts_with(eid, (select s.unit_prefix from authpay_scope s where s.role_name = current_user))
            and (issecret <> '0' or (select s.cleared from authpay_scope s where s.role_name = current_user)))$p$, t);
    end loop;
end
$$;

-- The view reads the tables as the role that queries it, so that the policy is that role's.
alter view vwBudgetAdj set (security_invoker = true);

commit;
