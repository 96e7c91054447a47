# Shared by scripts/client-shot and scripts/tour-gallery: a local kavreld with the sample
# data and a sample member, and the client's profile for it. Source it after setting
#   top   the source tree      work  a scratch folder (removed by the caller)
# then call start_kavreld ADDRESS, write_profile ADDRESS [AUTO_LOGIN] and start_client ARGS.
bin="$top/build/bin"
data="$top/build/share/kavrel"
server_pid=

stop_kavreld() {
  if [[ -n "$server_pid" ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid"
    wait "$server_pid" 2>/dev/null || true
  fi
  server_pid=
}

start_kavreld() {
  local address=$1
  "$bin/kavreld" --listen "$address" --data "$data" --db "$work/members.db" 2>"$work/kavreld.log" &
  server_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/$address/7000") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "kavreld did not start on $address" >&2
  return 1
}

# The sample member joins; the route ends are looked up by name; the profile in
# $work/config selects two roads, two routes, two cameras and the news flash. With
# AUTO_LOGIN 0 the client starts on its login screen.
write_profile() {
  local address=$1 auto_login=${2:-1}
  (cd "$work" && python3 - <<'PY'
def field(text, size):
    b = text.encode("cp949")[:size - 1]
    return b + b"\0" * (size - len(b))
open("join.bin", "wb").write(field("demo", 21) + field("홍길동", 21) + field("8001011234560", 14) + field("USER", 13) + field("demo@example.com", 55))
PY
  )
  "$bin/zmntp-cli" --server "$address" --home "$data" 2=file:"$work/join.bin" 48=text:가람역 48=text:남부시장 48=text:시청앞 > "$work/ids.jsonl"
  mkdir -p "$work/config/VTQClient_PDA"
  python3 - "$address" "$auto_login" "$work/ids.jsonl" <<'PY' > "$work/config/VTQClient_PDA/KavrelClientPDA.conf"
import json, sys
steps = [json.loads(l) for l in open(sys.argv[3])]
def first_id(step):
    d = bytes.fromhex(step["data"])
    return int.from_bytes(d[6404:6408], "little") if d and d[0] > 0 else 0
garam, market, cityhall = (first_id(s) for s in steps[1:4])
print(f"""[Settings]
tsip={sys.argv[1]}
login_id=demo
auto_login={sys.argv[2]}
ticker_start={sys.argv[2]}

[SEOULTRAFFIC]
update="0,5,"
1="true,대 로,중앙대로"
2="true,대 로,시청로"
num=2

[SHORTCUT]
update="0,5,"
1="true,빠른길,가람역,{garam},남부시장,{market}"
2="true,가까운길,시청앞,{cityhall},가람역,{garam}"
num=2

[CCTV]
update="0,5,"
1="true,시청앞,1"
2="true,중앙역,2"
num=2

[NEWSFLASH]
update="0,5,"
show=1
""")
PY
}

# Starts the client on the profile in the background (its process id in client_pid),
# offscreen unless QT_QPA_PLATFORM says otherwise; its standard error goes to
# $work/client.log.
start_client() {
  XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} KAVREL_UNATTENDED=1 KAVREL_HOME="$data" \
    "$bin/KavrelClientPDA" "$@" 2>"$work/client.log" &
  client_pid=$!
}
